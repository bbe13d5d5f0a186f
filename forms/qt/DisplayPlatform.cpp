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

}  // namespace

bool xDisplayAnswers() {
    if (!isSet("DISPLAY")) return false;
    // A connection made and closed again: the server answers and lets this user in.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

bool waylandDisplayAnswers() {
    // A compositor that started this program may hand it a connected socket.
    if (isSet("WAYLAND_SOCKET")) return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const std::string name = display && *display ? display : "wayland-0";
    if (name.front() == '/') return socketAnswers(name);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return false;
    return socketAnswers(std::string(runtime) + "/" + name);
}

DisplayPlatform chooseDisplayPlatform(int argc, char** argv) {
    if (userNamedPlatform(argc, argv)) return DisplayPlatform::UserChoice;
    if (xDisplayAnswers()) return DisplayPlatform::X11;
    if (waylandDisplayAnswers()) return DisplayPlatform::Wayland;
    return DisplayPlatform::None;
}

ApplicationArguments::ApplicationArguments(int argc, char** argv)
    : platform_(chooseDisplayPlatform(argc, argv)) {
    for (int i = 0; i < argc && argv[i]; ++i) arguments_.emplace_back(argv[i]);
    if (arguments_.empty()) arguments_.emplace_back();
    switch (platform_) {
        case DisplayPlatform::X11:
            arguments_.insert(arguments_.begin() + 1, {"-platform", "xcb"});
            break;
        case DisplayPlatform::Wayland:
            arguments_.insert(arguments_.begin() + 1, {"-platform", "wayland"});
            break;
        case DisplayPlatform::None:
            std::fprintf(stderr,
                         "%s: no display could be opened: no X server answers at DISPLAY and no "
                         "Wayland compositor at WAYLAND_DISPLAY\n",
                         program_invocation_short_name);
            break;
        case DisplayPlatform::UserChoice:
            break;
    }
    for (std::string& argument : arguments_) pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
    argc_ = static_cast<int>(arguments_.size());
}

}  // namespace formsqt
