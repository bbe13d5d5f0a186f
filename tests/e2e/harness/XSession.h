#pragma once

// A private X display for end-to-end tests and the start-up benchmark: Xvfb on a free
// display number with its own authority cookie, a fresh scratch folder that serves as the
// programs' config, runtime and temporary folder, programs started with that environment,
// windows found by title (xdotool), closed as a window manager's close button does, and
// screenshots. No window manager runs unless a test starts one: windows are mapped where
// the program puts them.
//
// A mapped window is not yet painted, a started program is not yet listening and a window
// manager places a window some time after it is mapped: checks wait for what they look at
// (waitForPicture, waitForListener, eventually), each with a bound, never for a fixed time.

#include <sys/resource.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Callers of picture() and waitForPicture() include <QImage> (before any Xlib header, whose
// macros clash with Qt's names); the benchmarks need neither.
class QImage;

namespace e2e {

// The full path of `program` on PATH, or empty.
std::string findOnPath(const std::string& program);

// Whether Xvfb, xauth and xdotool are installed; the tests skip without them.
bool toolsAvailable();

class Session;
// For the benchmarks: whether the session runs; says on stderr why not.
bool readyOrSayWhy(const Session& session);

// The window managers that tests may start: a bare one with a thin frame, and GNOME's
// classic one, whose title bar is thicker.
enum class WindowManager { Openbox, Metacity };
// Its program's name.
std::string programName(WindowManager wm);
// Whether it is installed.
bool windowManagerAvailable(WindowManager wm = WindowManager::Openbox);

// Whether the Wayland compositor that tests may start (weston) is installed.
bool waylandCompositorAvailable();

// A program built beside the running executable (the build's bin folder).
std::string programPath(const std::string& name);

// A started program. Its standard output and error go to one file, read by output().
// The destructor kills the program if it still runs.
class Process {
public:
    Process() = default;
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Whether the program still runs (reaps it when it has ended).
    bool running();
    // Waits up to `timeoutSeconds` for the program to end; its exit code, or 128 + the
    // signal that ended it; nothing when it still runs.
    std::optional<int> waitExit(double timeoutSeconds);
    // Ends the program with SIGKILL and reaps it.
    void kill();
    // What the program wrote to its standard output and error.
    std::string output() const;
    // Resource use of the ended program (peak memory in ru_maxrss, KiB).
    const struct rusage& usage() const { return usage_; }

private:
    friend class Session;
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string outputFile_;
    struct rusage usage_ {};
};

class Session {
public:
    explicit Session(int screenWidth = 1280, int screenHeight = 1024);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Whether Xvfb runs; error() says why not.
    bool ready() const { return server_.started() && !display_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& display() const { return display_; }
    const std::string& authFile() const { return authFile_; }
    // The scratch folder, removed with the session. XDG_CONFIG_HOME is folder()/config.
    const std::string& folder() const { return folder_; }
    std::string configHome() const { return folder_ + "/config"; }
    // XDG_CACHE_HOME, where the programs keep the pictures they have drawn.
    std::string cacheHome() const { return folder_ + "/cache"; }
    // The programs' XDG_RUNTIME_DIR, where they keep their single-instance sockets.
    std::string runtimeFolder() const { return folder_ + "/runtime"; }

    // The environment given to programs: this process's, with DISPLAY, XAUTHORITY,
    // XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_RUNTIME_DIR and TMPDIR pointing into the session,
    // the xcb platform, and quiet audio.
    std::vector<std::string> environment() const;

    // Starts `program` (a path) with `args` in the session's environment, with the
    // "NAME=value" entries of `variables` added or replaced, and the variables named by
    // entries without "=" removed.
    Process start(const std::string& program, const std::vector<std::string>& args = {},
                  const std::vector<std::string>& variables = {}) const;
    // Runs a helper command to its end, at most `timeoutSeconds`; its exit code (nothing on
    // timeout) and its output in `output`.
    std::optional<int> run(const std::vector<std::string>& argv, double timeoutSeconds,
                           std::string* output = nullptr) const;

    // The mapped windows whose title is exactly `title`, right now.
    std::vector<unsigned long> windows(const std::string& title) const;
    // Waits until such a window is mapped (xdotool search --sync), up to `timeoutSeconds`.
    std::vector<unsigned long> waitForWindow(const std::string& title, double timeoutSeconds) const;
    // The mapped windows of the process `pid`, right now.
    std::vector<unsigned long> windowsOf(pid_t pid) const;
    // The running processes of the executable `exe` (a full path) started in this session,
    // by the test or by a program it started, told apart from other sessions' by their
    // runtime folder.
    std::vector<pid_t> processes(const std::string& exe) const;
    // Waits until no such window is mapped.
    bool waitForNoWindow(const std::string& title, double timeoutSeconds) const;

    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
    };
    // A window's position on the screen and its size, in pixels.
    std::optional<Geometry> geometry(unsigned long window) const;
    // Starts a window manager on the display and waits until it manages windows; it runs
    // until the returned process ends. Not started on failure.
    Process startWindowManager(WindowManager wm = WindowManager::Openbox) const;
    // Merges X resources ("Xft.dpi: 144") into the server's, as a desktop does at login
    // (xrdb -merge). The server forgets them when its last client leaves: merge them while
    // a window manager holds it.
    bool mergeResources(const std::string& resources) const;
    // Starts a Wayland compositor (weston, headless) beside the X display, with a runtime
    // folder of its own, and waits until it listens at waylandSocket(); it runs until the
    // returned process ends. Not started on failure.
    Process startWaylandCompositor() const;
    // Where that compositor listens: the WAYLAND_DISPLAY to give a program.
    std::string waylandSocket() const { return folder_ + "/wayland/wayland-e2e"; }
    struct Extents {
        int left = 0, right = 0, top = 0, bottom = 0;
    };
    // The frame that the window manager draws around `window`, in screen pixels, as it
    // reports it (_NET_FRAME_EXTENTS); nothing before it has framed the window.
    std::optional<Extents> frameExtents(unsigned long window) const;
    // Moves the pointer to (x, y) on the screen and clicks the left button there.
    bool click(int x, int y) const;
    // Asks the window to close, as the window manager's close button does
    // (WM_DELETE_WINDOW).
    bool closeWindow(unsigned long window) const;
    // Saves the screen, or one window, as a PNG file.
    bool screenshot(const std::string& pngPath, unsigned long window = 0) const;
    // What the screen, or one window, shows right now; a null picture when it cannot be
    // read (the window is gone or not mapped).
    QImage picture(unsigned long window = 0) const;
    // Takes pictures of `window` (0: the screen) until one `shows` what the caller waits
    // for, at most `timeoutSeconds`; the last picture taken, so that the caller can assert
    // on it and report what it saw. A window paints some time after it is mapped.
    QImage waitForPicture(unsigned long window, const std::function<bool(const QImage&)>& shows,
                          double timeoutSeconds) const;

    // Whether a program listens on the local socket at `socketPath` (it is asked by a
    // connection that closes at once).
    bool listening(const std::string& socketPath) const;
    // Waits until one does, at most `timeoutSeconds`. A program listens some time after
    // it starts.
    bool waitForListener(const std::string& socketPath, double timeoutSeconds) const;

private:
    Process server_;
    std::string display_;
    std::string authFile_;
    std::string folder_;
    std::string error_;
};

// Watches, from its construction on, the windows created on the session's screen, so that a
// test can tell the size a window had when it first appeared (a window may be mapped at one
// size and resized a moment later). Made before the program starts, and asked at once.
class MapWatch {
public:
    explicit MapWatch(const Session& session);
    ~MapWatch();
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    struct Appearance {
        unsigned long window = 0;
        int width = 0, height = 0;  // in screen pixels
    };
    // Waits up to `timeoutSeconds` for a window titled `title` to be mapped: the window and
    // the size it had when it was first mapped. Nothing when none was, or when the watch
    // began to follow the window only once it was mapped already (its program was quicker
    // than the watch, on a busy machine).
    std::optional<Appearance> firstMapped(const std::string& title, double timeoutSeconds);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A regular expression that matches `text` exactly.
std::string exactPattern(const std::string& text);

}  // namespace e2e
