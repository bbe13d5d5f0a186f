// Start-up of oddsdesk and cardtable, each against a plain Qt window of its own size, on a
// private Xvfb display: the time from starting a program until the first frame of its window
// is on the screen, and its peak memory once it has closed, each as a ratio to the baseline
// of the same size measured in the same run.
//
//   startup_bench [--runs N] [--cold] [--program PATH]... [--baseline PATH]
//
// The programs keep the pictures they draw for their later starts; with --cold every start
// finds none kept and draws them all, as the first start after an install or a rebuild does.
// Drawing them takes memory, so the peaks of warm starts (pictures kept) and of cold starts
// (every picture drawn) are reported apart; the first start of each program is always cold.
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

// The starts of one executable. A cold start finds no pictures kept and draws them all; a
// warm start takes them from the cache that an earlier start filled.
struct Measured {
    std::string path;
    std::vector<std::string> args;
    std::vector<double> milliseconds;  // of the measured starts
    long warmPeakKiB = 0;              // the highest peak of the warm starts, 0 for none
    long coldPeakKiB = 0;              // the highest peak of the cold starts, 0 for none
    Size size;

    // One start, its peak counted as cold or warm; its time counts when `timed`.
    bool add(const e2e::Session& session, bool cold, bool timed) {
        const auto sample = measure(session, path, args);
        if (!sample) return false;
        if (timed) milliseconds.push_back(sample->milliseconds);
        long& peak = cold ? coldPeakKiB : warmPeakKiB;
        peak = std::max(peak, sample->peakKiB);
        size = sample->size;
        return true;
    }
};

// Deletes every program's kept pictures: each program's next start draws all of its own.
void forgetPictures(const e2e::Session& session) {
    std::error_code ignored;
    std::filesystem::remove_all(session.cacheHome(), ignored);
}

// A program and the plain window of its size that it is compared with.
struct Pair {
    Measured program;
    Measured baseline;
};

std::string sizeText(Size s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

struct Options {
    int runs = 30;
    bool cold = false;
    std::vector<std::string> programs;
    std::string baseline;
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    o.baseline = e2e::programPath("startup_baseline");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            o.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--cold") {
            o.cold = true;
        } else if (arg == "--program" && i + 1 < argc) {
            o.programs.emplace_back(argv[++i]);
        } else if (arg == "--baseline" && i + 1 < argc) {
            o.baseline = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    if (o.programs.empty())
        o.programs = {e2e::programPath("oddsdesk"), e2e::programPath("cardtable")};
    return o;
}

// The first start of each program is cold in every mode: it draws all its pictures and fills
// the file cache, so its time does not count, but its peak is a cold peak. It also tells the
// size of the program's window, at which its baseline then opens (started the same way).
bool warmUp(const e2e::Session& session, const Options& o, std::vector<Pair>& pairs) {
    forgetPictures(session);
    for (const std::string& program : o.programs) {
        Pair pair{{program, {}, {}, 0, 0, {}}, {o.baseline, {}, {}, 0, 0, {}}};
        if (!pair.program.add(session, true, false)) return false;
        pair.baseline.args = {sizeText(pair.program.size)};
        if (!pair.baseline.add(session, true, false)) return false;
        pairs.push_back(std::move(pair));
    }
    return true;
}

// Every executable starts once in each round, so that drift of the machine's load touches all
// alike. The order turns by one from round to round, so that none always comes first, or
// always after the same one.
bool measureRounds(const e2e::Session& session, const Options& o, std::vector<Pair>& pairs) {
    std::vector<Measured*> order;
    for (Pair& pair : pairs) {
        order.push_back(&pair.program);
        order.push_back(&pair.baseline);
    }
    for (int run = 0; run < o.runs; ++run) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            Measured& next = *order[(run + i) % order.size()];
            if (o.cold) forgetPictures(session);
            if (!next.add(session, o.cold, true)) return false;
        }
    }
    return true;
}

std::string mibText(long kib) {
    if (kib == 0) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MiB", static_cast<double>(kib) / 1024);
    return buf;
}

std::string ratioText(long value, long baseline) {
    if (value == 0 || baseline == 0) return "";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value) / baseline);
    return buf;
}

void report(const Options& o, const std::vector<Pair>& pairs) {
    std::printf(
        "start-up until the first painted frame (median of %d runs%s) and peak resident "
        "memory of the warm starts (pictures kept) and of the cold ones (every picture drawn, "
        "the first start included), each program against a plain Qt window of its size\n",
        o.runs, o.cold ? ", no pictures kept" : "");
    std::printf("  %-12s %9s %9s %6s %10s %6s %10s %6s\n", "", "window", "time", "ratio", "warm",
                "ratio", "cold", "ratio");
    for (const Pair& pair : pairs) {
        const Measured& p = pair.program;
        const Measured& b = pair.baseline;
        const double ms = median(p.milliseconds);
        const double baseMs = median(b.milliseconds);
        const std::string name = std::filesystem::path(p.path).filename().string();
        std::printf("  %-12s %9s %6.1f ms %6.2f %10s %6s %10s %6s\n", name.c_str(),
                    sizeText(p.size).c_str(), ms, ms / baseMs, mibText(p.warmPeakKiB).c_str(),
                    ratioText(p.warmPeakKiB, b.warmPeakKiB).c_str(), mibText(p.coldPeakKiB).c_str(),
                    ratioText(p.coldPeakKiB, b.coldPeakKiB).c_str());
        std::printf("  %-12s %9s %6.1f ms %6s %10s %6s %10s %6s\n", "  baseline",
                    sizeText(b.size).c_str(), baseMs, "", mibText(b.warmPeakKiB).c_str(), "",
                    mibText(b.coldPeakKiB).c_str(), "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--runs N] [--cold] [--program PATH]... [--baseline PATH]\n",
                     argv[0]);
        return 2;
    }
    e2e::Session session;
    if (!e2e::readyOrSayWhy(session)) return 1;
    std::vector<Pair> pairs;
    if (!warmUp(session, *options, pairs) || !measureRounds(session, *options, pairs)) return 1;
    report(*options, pairs);
    return 0;
}
