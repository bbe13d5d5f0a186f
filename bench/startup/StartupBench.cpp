// Start-up of oddsdesk and cardtable, each against a plain Qt window of its own size, on a
// private Xvfb display: the time from starting a program until the first frame of its window
// is on the screen, and its peak memory once it has closed, each as a ratio to the baseline
// of the same size measured in the same run.
//
//   startup_bench [--runs N] [--cold] [--program PATH]... [--baseline PATH]
//
// The programs keep the pictures they draw for their later starts; with --cold every start
// finds none kept and draws them all, as the first start after an install or a rebuild does.
//
// A window is mapped some time before it is painted. The frame counts once the program has
// drawn every pixel of its mapped window: the X Damage extension reports each drawing on the
// screen as the server performs it, and no window manager runs, so nothing else draws there.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "XSession.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Size {
    int width = 0, height = 0;
};

struct Sample {
    double milliseconds = 0;  // from the start to the first painted frame
    long peakKiB = 0;
    Size size;  // of the window, as mapped
};

// Collects the drawing on the screen and tells when the mapped window has been painted whole.
class FirstFrame {
public:
    explicit FirstFrame(Display* dpy) : dpy_(dpy), painted_(XCreateRegion()) {}
    ~FirstFrame() { XDestroyRegion(painted_); }
    FirstFrame(const FirstFrame&) = delete;
    FirstFrame& operator=(const FirstFrame&) = delete;

    void mapped(Window window) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy_, window, &a)) return;
        // The part of the window on the screen: no window manager runs, so its position is
        // relative to the root.
        const int x0 = std::max(0, a.x), y0 = std::max(0, a.y);
        const int x1 = std::min(DisplayWidth(dpy_, DefaultScreen(dpy_)), a.x + a.width);
        const int y1 = std::min(DisplayHeight(dpy_, DefaultScreen(dpy_)), a.y + a.height);
        if (x1 <= x0 || y1 <= y0) return;
        window_ = window;
        area_ = {static_cast<short>(x0), static_cast<short>(y0),
                 static_cast<unsigned short>(x1 - x0), static_cast<unsigned short>(y1 - y0)};
        size_ = {a.width, a.height};
    }

    // A rectangle drawn on the screen; whether the window is now painted whole.
    bool drawn(const XRectangle& r) {
        if (!window_) return false;  // not yet mapped: nothing of it can show
        const int x0 = std::max<int>(r.x, area_.x), y0 = std::max<int>(r.y, area_.y);
        const int x1 = std::min<int>(r.x + r.width, area_.x + area_.width);
        const int y1 = std::min<int>(r.y + r.height, area_.y + area_.height);
        if (x1 <= x0 || y1 <= y0) return painted();
        XRectangle inside{static_cast<short>(x0), static_cast<short>(y0),
                          static_cast<unsigned short>(x1 - x0),
                          static_cast<unsigned short>(y1 - y0)};
        XUnionRectWithRegion(&inside, painted_, painted_);
        return painted();
    }

    bool painted() const {
        return window_ &&
               XRectInRegion(painted_, area_.x, area_.y, area_.width, area_.height) == RectangleIn;
    }
    Window window() const { return window_; }
    Size size() const { return size_; }

private:
    Display* dpy_;
    Region painted_;
    Window window_ = 0;
    XRectangle area_{};
    Size size_;
};

// Starts `program` with `args` and times it until its window's first frame is on the screen;
// the window is then closed as a window manager's close button closes it, and the program
// must end by itself.
std::optional<Sample> measure(const e2e::Session& session, const std::string& program,
                              const std::vector<std::string>& args = {}) {
    ::setenv("XAUTHORITY", session.authFile().c_str(), 1);
    Display* dpy = XOpenDisplay(session.display().c_str());
    if (!dpy) return std::nullopt;
    int damageEvent = 0, damageError = 0, major = 1, minor = 1;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError) ||
        !XDamageQueryVersion(dpy, &major, &minor)) {
        std::fprintf(stderr, "the X server has no Damage extension\n");
        XCloseDisplay(dpy);
        return std::nullopt;
    }
    // A program's top-level window is a child of the root, so its MapNotify arrives here,
    // and every drawing on the screen is damage of the root.
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    const Damage damage = XDamageCreate(dpy, root, XDamageReportRawRectangles);
    XSync(dpy, True);

    const auto started = Clock::now();
    e2e::Process process = session.start(program, args);
    if (!process.started()) {
        XDamageDestroy(dpy, damage);
        XCloseDisplay(dpy);
        return std::nullopt;
    }

    FirstFrame frame(dpy);
    const auto deadline = started + std::chrono::seconds(60);
    while (!frame.painted() && Clock::now() < deadline) {
        while (!frame.painted() && XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect && !frame.window()) {
                frame.mapped(event.xmap.window);
            } else if (event.type == damageEvent + XDamageNotify) {
                frame.drawn(reinterpret_cast<const XDamageNotifyEvent&>(event).area);
            }
        }
        if (frame.painted()) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    }
    const auto shown = Clock::now();
    const Window window = frame.window();
    const bool painted = frame.painted();
    const Size size = frame.size();
    XDamageDestroy(dpy, damage);
    XCloseDisplay(dpy);
    if (!painted) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(),
                     window ? "its window was never painted whole" : "no window appeared",
                     process.output().c_str());
        return std::nullopt;
    }

    session.closeWindow(window);
    if (!process.waitExit(30)) {
        std::fprintf(stderr, "%s: did not end after its window was closed\n", program.c_str());
        process.kill();
        return std::nullopt;
    }
    return Sample{std::chrono::duration<double, std::milli>(shown - started).count(),
                  process.usage().ru_maxrss, size};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Measured {
    std::string path;
    std::vector<std::string> args;
    std::vector<double> milliseconds;
    long peakKiB = 0;
    Size size;

    bool add(const e2e::Session& session, bool cold) {
        if (cold) {
            std::error_code ignored;
            std::filesystem::remove_all(session.cacheHome(), ignored);
        }
        const auto sample = measure(session, path, args);
        if (!sample) return false;
        milliseconds.push_back(sample->milliseconds);
        peakKiB = std::max(peakKiB, sample->peakKiB);
        size = sample->size;
        return true;
    }
};

// A program and the plain window of its size that it is compared with.
struct Pair {
    Measured program;
    Measured baseline;
};

std::string sizeText(Size s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 30;
    bool cold = false;
    std::vector<std::string> programs;
    std::string baseline = e2e::programPath("startup_baseline");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--cold") {
            cold = true;
        } else if (arg == "--program" && i + 1 < argc) {
            programs.emplace_back(argv[++i]);
        } else if (arg == "--baseline" && i + 1 < argc) {
            baseline = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--runs N] [--cold] [--program PATH]... [--baseline PATH]\n",
                         argv[0]);
            return 2;
        }
    }
    if (programs.empty()) programs = {e2e::programPath("oddsdesk"), e2e::programPath("cardtable")};
    e2e::Session session;
    if (!e2e::readyOrSayWhy(session)) return 1;

    // One warm-up start of each program fills the file cache and tells the size of its
    // window, at which its baseline then opens (warmed up the same way). Then all take turns
    // within every run, so that drift of the machine's load touches all alike.
    std::vector<Pair> pairs;
    for (const std::string& program : programs) {
        Pair pair{{program, {}, {}, 0, {}}, {baseline, {}, {}, 0, {}}};
        if (!pair.program.add(session, cold)) return 1;
        pair.program.milliseconds.clear();
        pair.baseline.args = {sizeText(pair.program.size)};
        if (!pair.baseline.add(session, cold)) return 1;
        pair.baseline.milliseconds.clear();
        pairs.push_back(std::move(pair));
    }
    for (int run = 0; run < runs; ++run) {
        for (Pair& pair : pairs) {
            if (!pair.program.add(session, cold) || !pair.baseline.add(session, cold)) return 1;
        }
    }

    std::printf(
        "start-up until the first painted frame (median of %d runs%s) and peak resident "
        "memory, each program against a plain Qt window of its size\n",
        runs, cold ? ", no pictures kept" : "");
    std::printf("  %-12s %9s %9s %7s %9s %7s\n", "", "window", "time", "ratio", "memory", "ratio");
    for (const Pair& pair : pairs) {
        const double ms = median(pair.program.milliseconds);
        const double baseMs = median(pair.baseline.milliseconds);
        const double mib = static_cast<double>(pair.program.peakKiB) / 1024;
        const double baseMiB = static_cast<double>(pair.baseline.peakKiB) / 1024;
        const std::string name = std::filesystem::path(pair.program.path).filename().string();
        std::printf("  %-12s %9s %6.1f ms %7.2f %5.1f MiB %7.2f\n", name.c_str(),
                    sizeText(pair.program.size).c_str(), ms, ms / baseMs, mib, mib / baseMiB);
        std::printf("  %-12s %9s %6.1f ms %7s %5.1f MiB %7s\n", "  baseline",
                    sizeText(pair.baseline.size).c_str(), baseMs, "", baseMiB, "");
    }
    return 0;
}
