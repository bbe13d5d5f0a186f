#include "XSession.h"

// Qt before Xlib, whose macros (Status, Bool) clash with Qt's names.
// clang-format off
#include <QImage>
// clang-format on

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::chrono::milliseconds toMillis(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// Starts argv[0] (a path or a name looked up on PATH) with `env`; standard input from
// /dev/null, output and errors into `outputFile`. Descriptors without close-on-exec stay
// open in the child.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& outputFile) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so that a kill reaches whatever it starts; the signals that end
    // a program are handled as by default, even when the tests run with them ignored (under
    // nohup, or as a background job of a script).
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attr, &defaults);

    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

std::vector<std::string> currentEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    return env;
}

void setVariable(std::vector<std::string>& env, const std::string& name, const std::string& value) {
    const std::string prefix = name + "=";
    std::erase_if(env, [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    env.push_back(prefix + value);
}

void unsetVariable(std::vector<std::string>& env, const std::string& name) {
    const std::string prefix = name + "=";
    std::erase_if(env, [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

std::string randomCookie() {
    std::random_device device;
    std::ostringstream hex;
    hex << std::hex;
    for (int i = 0; i < 16; ++i) hex << ((device() >> 4) & 0xf) << (device() & 0xf);
    return hex.str();
}

int exitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Xlib's default error handler ends the process; the harness only wants to know.
int lastXError = 0;
int recordXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

class XConnection {
public:
    XConnection(const std::string& display, const std::string& authFile) {
        ::setenv("XAUTHORITY", authFile.c_str(), 1);
        dpy_ = XOpenDisplay(display.c_str());
        previous_ = XSetErrorHandler(recordXError);
        lastXError = 0;
    }
    ~XConnection() {
        if (dpy_) XCloseDisplay(dpy_);
        XSetErrorHandler(previous_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    Display* get() const { return dpy_; }
    // Whether every request so far went through.
    bool ok() const {
        if (!dpy_) return false;
        XSync(dpy_, False);
        return lastXError == 0;
    }

private:
    Display* dpy_ = nullptr;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

}  // namespace

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool toolsAvailable() {
    return !findOnPath("Xvfb").empty() && !findOnPath("xauth").empty() &&
           !findOnPath("xdotool").empty();
}

std::string programName(WindowManager wm) {
    return wm == WindowManager::Metacity ? "metacity" : "openbox";
}

bool windowManagerAvailable(WindowManager wm) {
    return !findOnPath(programName(wm)).empty();
}

bool waylandCompositorAvailable() {
    return !findOnPath("weston").empty();
}

std::string programPath(const std::string& name) {
    std::error_code ignored;
    return (fs::read_symlink("/proc/self/exe", ignored).parent_path() / name).string();
}

std::string exactPattern(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::strchr(".[]{}()*+?^$|\\", c)) pattern += '\\';
        pattern += c;
    }
    return pattern + "$";
}

// Process

Process::Process(Process&& other) noexcept {
    *this = std::move(other);
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (started() && !status_) kill();
        pid_ = other.pid_;
        status_ = other.status_;
        outputFile_ = std::move(other.outputFile_);
        usage_ = other.usage_;
        other.pid_ = -1;
        other.status_.reset();
    }
    return *this;
}

Process::~Process() {
    if (started() && !status_) kill();
}

bool Process::running() {
    if (!started() || status_) return false;
    int status = 0;
    if (wait4(pid_, &status, WNOHANG, &usage_) == pid_) {
        status_ = exitCode(status);
        return false;
    }
    return true;
}

std::optional<int> Process::waitExit(double timeoutSeconds) {
    if (!started()) return std::nullopt;
    if (status_) return status_;
    const auto deadline = Clock::now() + toMillis(timeoutSeconds);
    // A pidfd becomes readable when the process ends; without one, check every 20 ms.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    while (running()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(20)));
        }
    }
    if (pidfd >= 0) ::close(pidfd);
    return status_;
}

void Process::kill() {
    if (!started() || status_) return;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    int status = 0;
    if (wait4(pid_, &status, 0, &usage_) == pid_) status_ = exitCode(status);
}

std::string Process::output() const {
    std::ifstream in(outputFile_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Session

namespace {

// A new scratch folder under TMPDIR (else /tmp), with the folders the session hands to
// programs: "runtime" private, as XDG_RUNTIME_DIR must be. Empty when none can be made.
std::string makeScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/e2e-XXXXXX";
    if (!::mkdtemp(folder.data())) return {};
    for (const char* sub : {"config", "runtime", "tmp"}) fs::create_directory(folder + "/" + sub);
    ::chmod((folder + "/runtime").c_str(), 0700);
    return folder;
}

// The display number that Xvfb writes, as one line, to `fd` once it accepts clients; empty
// when it ends first or takes longer than 20 seconds.
std::string readDisplayNumber(int fd, Process& server) {
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) {
            if (!server.running()) break;
            continue;
        }
        char buffer[32];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<std::size_t>(n));
        if (number.find('\n') != std::string::npos) break;
    }
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    return number;
}

}  // namespace

Session::Session(int screenWidth, int screenHeight) {
    folder_ = makeScratchFolder();
    if (folder_.empty()) {
        error_ = "cannot create a scratch folder";
        return;
    }

    // The server accepts the cookie whatever display it is filed under; clients look it
    // up by display, so it is filed again once the display number is known.
    authFile_ = folder_ + "/Xauthority";
    const std::string cookie = randomCookie();
    if (run({"xauth", "-q", "-f", authFile_, "add", ":0", ".", cookie}, 10) != 0) {
        error_ = "xauth failed";
        return;
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    ::fcntl(fds[1], F_SETFD, 0);  // Xvfb writes its display number here
    server_.outputFile_ = folder_ + "/Xvfb.log";
    server_.pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                          std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                          "-auth", authFile_, "-nolisten", "tcp", "-noreset"},
                         currentEnvironment(), server_.outputFile_);
    ::close(fds[1]);
    if (!server_.started()) {
        ::close(fds[0]);
        error_ = "cannot start Xvfb";
        return;
    }

    const std::string number = readDisplayNumber(fds[0], server_);
    ::close(fds[0]);
    if (number.empty()) {
        error_ = "Xvfb did not start: " + server_.output();
        server_.kill();
        return;
    }
    if (run({"xauth", "-q", "-f", authFile_, "add", ":" + number, ".", cookie}, 10) != 0) {
        error_ = "xauth failed";
        server_.kill();
        return;
    }
    display_ = ":" + number;
}

Session::~Session() {
    if (server_.started() && server_.running()) {
        ::kill(server_.pid_, SIGTERM);
        if (!server_.waitExit(5)) server_.kill();
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

std::vector<std::string> Session::environment() const {
    std::vector<std::string> env = currentEnvironment();
    setVariable(env, "DISPLAY", display_);
    setVariable(env, "XAUTHORITY", authFile_);
    setVariable(env, "XDG_CONFIG_HOME", configHome());
    setVariable(env, "XDG_CACHE_HOME", cacheHome());
    setVariable(env, "XDG_RUNTIME_DIR", runtimeFolder());
    setVariable(env, "TMPDIR", folder_ + "/tmp");
    setVariable(env, "QT_QPA_PLATFORM", "xcb");
    setVariable(env, "SDL_AUDIODRIVER", "dummy");
    unsetVariable(env, "WAYLAND_DISPLAY");
    unsetVariable(env, "SESSION_MANAGER");
    return env;
}

Process Session::start(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& variables) const {
    static int counter = 0;
    Process p;
    p.outputFile_ = folder_ + "/" + fs::path(program).filename().string() + "-" +
                    std::to_string(++counter) + ".log";
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = environment();
    for (const std::string& v : variables) {
        const auto eq = v.find('=');
        if (eq != std::string::npos)
            setVariable(env, v.substr(0, eq), v.substr(eq + 1));
        else
            unsetVariable(env, v);
    }
    p.pid_ = spawn(argv, env, p.outputFile_);
    return p;
}

std::optional<int> Session::run(const std::vector<std::string>& argv, double timeoutSeconds,
                                std::string* output) const {
    static int counter = 0;
    Process p;
    p.outputFile_ = (folder_.empty() ? std::string("/tmp") : folder_) + "/run-" +
                    std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".log";
    std::vector<std::string> env = currentEnvironment();
    if (!display_.empty()) {
        setVariable(env, "DISPLAY", display_);
        setVariable(env, "XAUTHORITY", authFile_);
    }
    p.pid_ = spawn(argv, env, p.outputFile_);
    if (!p.started()) return std::nullopt;
    const auto code = p.waitExit(timeoutSeconds);
    if (!code) p.kill();
    if (output) *output = p.output();
    std::error_code ignored;
    fs::remove(p.outputFile_, ignored);
    return code;
}

namespace {
std::vector<unsigned long> parseIds(const std::string& text) {
    std::vector<unsigned long> ids;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(line.c_str(), &end, 10);
        if (end != line.c_str() && id != 0) ids.push_back(id);
    }
    return ids;
}
}  // namespace

std::vector<unsigned long> Session::windows(const std::string& title) const {
    std::string out;
    if (run({"xdotool", "search", "--onlyvisible", "--name", exactPattern(title)}, 10, &out) != 0)
        return {};
    return parseIds(out);
}

std::vector<unsigned long> Session::waitForWindow(const std::string& title,
                                                  double timeoutSeconds) const {
    std::string out;
    if (run({"xdotool", "search", "--sync", "--onlyvisible", "--name", exactPattern(title)},
            timeoutSeconds, &out) != 0)
        return {};
    return parseIds(out);
}

std::vector<unsigned long> Session::windowsOf(pid_t pid) const {
    std::string out;
    if (run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 10, &out) != 0)
        return {};
    return parseIds(out);
}

std::vector<pid_t> Session::processes(const std::string& exe) const {
    std::vector<pid_t> found;
    const std::string marker = "XDG_RUNTIME_DIR=" + runtimeFolder();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code linkError;
        if (fs::read_symlink(entry.path() / "exe", linkError).string() != exe) continue;
        std::ifstream environ(entry.path() / "environ", std::ios::binary);
        std::string variable;
        while (std::getline(environ, variable, '\0')) {
            if (variable == marker) {
                found.push_back(static_cast<pid_t>(std::stol(name)));
                break;
            }
        }
    }
    return found;
}

bool Session::click(int x, int y) const {
    // `mousemove --sync` waits for the pointer to move, which it never does when it is
    // already there: then the button is clicked where the pointer stands.
    std::string where;
    const bool located = run({"xdotool", "getmouselocation", "--shell"}, 10, &where) == 0;
    where = "\n" + where;
    if (located && where.find("\nX=" + std::to_string(x) + "\n") != std::string::npos &&
        where.find("\nY=" + std::to_string(y) + "\n") != std::string::npos)
        return run({"xdotool", "click", "1"}, 10) == 0;
    return run({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click",
                "1"},
               10) == 0;
}

bool Session::waitForNoWindow(const std::string& title, double timeoutSeconds) const {
    const auto deadline = Clock::now() + toMillis(timeoutSeconds);
    while (!windows(title).empty()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

std::optional<Session::Geometry> Session::geometry(unsigned long window) const {
    XConnection x(display_, authFile_);
    if (!x.get()) return std::nullopt;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x.get(), window, &attributes) || !x.ok()) return std::nullopt;
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(x.get(), window, attributes.root, 0, 0, &rootX, &rootY, &child);
    if (!x.ok()) return std::nullopt;
    return Geometry{rootX, rootY, attributes.width, attributes.height};
}

namespace {
// The first `count` 32-bit items of a window's property of type `type`, or nothing.
std::optional<std::vector<long>> readProperty(Display* dpy, Window window, const char* name,
                                              Atom type, unsigned long count) {
    const Atom property = XInternAtom(dpy, name, False);
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, property, 0, static_cast<long>(count), False, type,
                           &actualType, &format, &items, &after, &data) != Success)
        return std::nullopt;
    std::optional<std::vector<long>> values;
    if (data && actualType == type && format == 32 && items == count) {
        const auto* longs = reinterpret_cast<const long*>(data);
        values.emplace(longs, longs + count);
    }
    if (data) XFree(data);
    return values;
}
}  // namespace

Process Session::startWindowManager(WindowManager which) const {
    // Whatever it keeps goes to the scratch folder; metacity's settings are its defaults,
    // held in memory.
    const std::vector<std::string> variables{"XDG_CACHE_HOME=" + folder_ + "/tmp",
                                             "XDG_DATA_HOME=" + folder_ + "/tmp",
                                             "GSETTINGS_BACKEND=memory"};
    Process wm = which == WindowManager::Metacity
                     ? start("metacity", {"--sm-disable", "--replace"}, variables)
                     : start("openbox", {"--sm-disable"}, variables);
    if (!wm.started()) return wm;
    // Ready once it names itself on the root window.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline && wm.running()) {
        {
            XConnection x(display_, authFile_);
            if (x.get() && readProperty(x.get(), DefaultRootWindow(x.get()),
                                        "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1))
                return wm;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    wm.kill();
    return Process();
}

bool Session::mergeResources(const std::string& resources) const {
    const std::string file = folder_ + "/resources";
    std::ofstream(file) << resources << "\n";
    return run({"xrdb", "-merge", file}, 30) == 0;
}

Process Session::startWaylandCompositor() const {
    const fs::path runtime = fs::path(waylandSocket()).parent_path();
    std::error_code ec;
    fs::create_directory(runtime, ec);
    ::chmod(runtime.c_str(), 0700);
    Process compositor =
        start("weston",
              {"--backend=headless-backend.so",
               "--socket=" + fs::path(waylandSocket()).filename().string(), "--no-config",
               "--idle-time=0"},
              {"XDG_RUNTIME_DIR=" + runtime.string(), "WAYLAND_DISPLAY", "WAYLAND_SOCKET"});
    if (!compositor.started()) return compositor;
    // Ready once it takes connections on its socket.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline && compositor.running()) {
        if (listening(waylandSocket())) return compositor;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    compositor.kill();
    return Process();
}

std::optional<Session::Extents> Session::frameExtents(unsigned long window) const {
    XConnection x(display_, authFile_);
    if (!x.get()) return std::nullopt;
    const auto values = readProperty(x.get(), window, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
    if (!values || !x.ok()) return std::nullopt;
    // Left, right, top, bottom.
    return Extents{static_cast<int>((*values)[0]), static_cast<int>((*values)[1]),
                   static_cast<int>((*values)[2]), static_cast<int>((*values)[3])};
}

bool Session::closeWindow(unsigned long window) const {
    XConnection x(display_, authFile_);
    if (!x.get()) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x.get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.get(), window, False, NoEventMask, &event);
    return x.ok();
}

QImage Session::picture(unsigned long window) const {
    XConnection x(display_, authFile_);
    if (!x.get()) return {};
    const Window target = window ? window : DefaultRootWindow(x.get());
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x.get(), target, &attributes) || !x.ok()) return {};
    if (attributes.map_state != IsViewable) return {};
    XImage* image = XGetImage(x.get(), target, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image || !x.ok()) {
        if (image) XDestroyImage(image);
        return {};
    }
    QImage picture(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int px = 0; px < attributes.width; ++px) {
            const unsigned long pixel = XGetPixel(image, px, y);
            line[px] = qRgb(static_cast<int>((pixel & image->red_mask) >> 16),
                            static_cast<int>((pixel & image->green_mask) >> 8),
                            static_cast<int>(pixel & image->blue_mask));
        }
    }
    XDestroyImage(image);
    return picture;
}

bool Session::screenshot(const std::string& pngPath, unsigned long window) const {
    const QImage shot = picture(window);
    return !shot.isNull() && shot.save(QString::fromStdString(pngPath), "PNG");
}

QImage Session::waitForPicture(unsigned long window,
                               const std::function<bool(const QImage&)>& shows,
                               double timeoutSeconds) const {
    const auto deadline = Clock::now() + toMillis(timeoutSeconds);
    QImage last;
    while (true) {
        const QImage now = picture(window);
        if (!now.isNull()) {
            last = now;
            if (shows(last)) return last;
        }
        if (Clock::now() >= deadline) return last;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool Session::listening(const std::string& socketPath) const {
    // A connection is accepted only while a program listens there (a socket file left by a
    // program that ended refuses it); the listener sees a peer that closes without a word.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool accepted =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return accepted;
}

bool Session::waitForListener(const std::string& socketPath, double timeoutSeconds) const {
    const auto deadline = Clock::now() + toMillis(timeoutSeconds);
    while (!listening(socketPath)) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// MapWatch

struct MapWatch::State {
    std::unique_ptr<XConnection> x;
    struct Followed {
        int width = 0, height = 0;  // as it is now
        bool late = false;          // followed only once mapped already
    };
    std::map<Window, Followed> windows;
};

MapWatch::MapWatch(const Session& session) : state_(std::make_unique<State>()) {
    state_->x = std::make_unique<XConnection>(session.display(), session.authFile());
    Display* dpy = state_->x->get();
    if (!dpy) return;
    // Windows created on the root, and how they change while they are its children.
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);
}

MapWatch::~MapWatch() = default;

std::optional<MapWatch::Appearance> MapWatch::firstMapped(const std::string& title,
                                                          double timeoutSeconds) {
    Display* dpy = state_->x->get();
    if (!dpy) return std::nullopt;
    const auto titled = [&](Window w) {
        char* name = nullptr;
        const bool same = XFetchName(dpy, w, &name) && name && title == name;
        if (name) XFree(name);
        return same;
    };
    const auto deadline = Clock::now() + toMillis(timeoutSeconds);
    while (true) {
        while (XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type == CreateNotify && !event.xcreatewindow.override_redirect) {
                const XCreateWindowEvent& c = event.xcreatewindow;
                State::Followed& f = state_->windows[c.window];
                f.width = c.width;
                f.height = c.height;
                // Followed from now on wherever a window manager puts it; a window mapped
                // already by the time the watch follows it was seen too late.
                XSelectInput(dpy, c.window, StructureNotifyMask);
                XWindowAttributes a;
                f.late = XGetWindowAttributes(dpy, c.window, &a) && a.map_state != IsUnmapped;
            } else if (event.type == ConfigureNotify) {
                const auto it = state_->windows.find(event.xconfigure.window);
                if (it == state_->windows.end()) continue;
                it->second.width = event.xconfigure.width;
                it->second.height = event.xconfigure.height;
            } else if (event.type == MapNotify) {
                const auto it = state_->windows.find(event.xmap.window);
                if (it == state_->windows.end() || !titled(it->first)) continue;
                if (it->second.late) return std::nullopt;
                return Appearance{it->first, it->second.width, it->second.height};
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }
}

bool readyOrSayWhy(const Session& session) {
    if (session.ready()) return true;
    if (!toolsAvailable())
        std::fprintf(stderr, "Xvfb, xauth and xdotool are needed\n");
    else
        std::fprintf(stderr, "%s\n", session.error().c_str());
    return false;
}

}  // namespace e2e
