#include "forms/qt/DisplayPlatform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace formsqt {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Whether a program listens on the local stream socket at `path`.
bool socketAnswers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

bool userNamedPlatform(int argc, char** argv) {
    if (isSet("QT_QPA_PLATFORM")) return true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] ? argv[i] : "";
        if (argument == "-platform" || argument == "--platform") return true;
    }
    return false;
}

// A connection to the X server at $DISPLAY that let this user in, or null.
xcb_connection_t* connectToX() {
    if (!isSet("DISPLAY")) return nullptr;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) return connection;
    xcb_disconnect(connection);
    return nullptr;
}

// Whether a Wayland compositor listens where a Wayland client would connect: the socket
// handed over in $WAYLAND_SOCKET, or $WAYLAND_DISPLAY (by default "wayland-0"), a path or a
// name in $XDG_RUNTIME_DIR.
bool waylandAnswers() {
    if (isSet("WAYLAND_SOCKET")) return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const std::string name = display && *display ? display : "wayland-0";
    if (name.front() == '/') return socketAnswers(name);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return false;
    return socketAnswers(std::string(runtime) + "/" + name);
}

}  // namespace

ApplicationArguments::ApplicationArguments(int argc, char** argv) {
    for (int i = 0; i < argc && argv[i]; ++i) arguments_.emplace_back(argv[i]);
    if (arguments_.empty()) arguments_.emplace_back();
    if (userNamedPlatform(argc, argv)) {
        platform_ = DisplayPlatform::UserChoice;
    } else if ((xConnection_ = connectToX())) {
        platform_ = DisplayPlatform::X11;
        arguments_.insert(arguments_.begin() + 1, {"-platform", "xcb"});
    } else if (waylandAnswers()) {
        platform_ = DisplayPlatform::Wayland;
        arguments_.insert(arguments_.begin() + 1, {"-platform", "wayland"});
    } else {
        std::fprintf(stderr,
                     "%s: no display could be opened: no X server answers at DISPLAY and no "
                     "Wayland compositor at WAYLAND_DISPLAY\n",
                     program_invocation_short_name);
    }
    for (std::string& argument : arguments_) pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
    argc_ = static_cast<int>(arguments_.size());
}

ApplicationArguments::~ApplicationArguments() {
    if (xConnection_) xcb_disconnect(xConnection_);
}

}  // namespace formsqt
