// Start-up of oddsdesk and cardtable against a minimal Qt Widgets window, on a private Xvfb
// display: the time from starting each program until its window is mapped, and its peak
// memory once it has closed, each as a ratio to the baseline measured in the same run.
//
//   startup_bench [--runs N] [--program PATH]... [--baseline PATH]

#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "XSession.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double milliseconds = 0;
    long peakKiB = 0;
};

// Starts `program` and times it until it maps a top-level window, which is then closed.
std::optional<Sample> measure(const e2e::Session& session, const std::string& program) {
    ::setenv("XAUTHORITY", session.authFile().c_str(), 1);
    Display* dpy = XOpenDisplay(session.display().c_str());
    if (!dpy) return std::nullopt;
    // No window manager runs: a program's top-level window is a child of the root, so its
    // MapNotify arrives here.
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);

    const auto started = Clock::now();
    e2e::Process process = session.start(program);
    if (!process.started()) {
        XCloseDisplay(dpy);
        return std::nullopt;
    }

    Window mapped = 0;
    const auto deadline = started + std::chrono::seconds(60);
    while (!mapped && Clock::now() < deadline) {
        while (!mapped && XPending(dpy)) {
            XEvent event;
            XNextEvent(dpy, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect)
                mapped = event.xmap.window;
        }
        if (mapped) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    }
    const auto shown = Clock::now();
    XCloseDisplay(dpy);
    if (!mapped) {
        std::fprintf(stderr, "%s: no window appeared\n%s", program.c_str(),
                     process.output().c_str());
        return std::nullopt;
    }

    session.closeWindow(mapped);
    if (!process.waitExit(30)) {
        std::fprintf(stderr, "%s: did not end after its window was closed\n", program.c_str());
        process.kill();
        return std::nullopt;
    }
    return Sample{std::chrono::duration<double, std::milli>(shown - started).count(),
                  process.usage().ru_maxrss};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Measured {
    std::string path;
    std::vector<double> milliseconds;
    long peakKiB = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    std::vector<std::string> programs;
    std::string baseline = e2e::programPath("startup_baseline");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--program" && i + 1 < argc) {
            programs.emplace_back(argv[++i]);
        } else if (arg == "--baseline" && i + 1 < argc) {
            baseline = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--runs N] [--program PATH]... [--baseline PATH]\n", argv[0]);
            return 2;
        }
    }
    if (programs.empty())
        programs = {e2e::programPath("oddsdesk"), e2e::programPath("cardtable")};
    e2e::Session session;
    if (!e2e::readyOrSayWhy(session)) return 1;

    // The baseline first, then each program. One warm-up start each fills the file cache,
    // then they take turns within every run, so that drift of the machine's load touches
    // all alike.
    std::vector<Measured> measured{{baseline, {}, 0}};
    for (const std::string& program : programs) measured.push_back({program, {}, 0});
    for (const Measured& m : measured)
        if (!measure(session, m.path)) return 1;
    for (int run = 0; run < runs; ++run) {
        for (Measured& m : measured) {
            const auto sample = measure(session, m.path);
            if (!sample) return 1;
            m.milliseconds.push_back(sample->milliseconds);
            m.peakKiB = std::max(m.peakKiB, sample->peakKiB);
        }
    }

    const Measured& base = measured.front();
    const double baseMs = median(base.milliseconds);
    const double baseMiB = static_cast<double>(base.peakKiB) / 1024;
    std::printf("start-up until the window is mapped (median of %d runs) and peak resident "
                "memory\n",
                runs);
    std::printf("  %-16s %9s %7s %9s %7s\n", "", "time", "ratio", "memory", "ratio");
    std::printf("  %-16s %6.1f ms %7s %5.1f MiB %7s\n", "baseline", baseMs, "", baseMiB, "");
    for (std::size_t i = 1; i < measured.size(); ++i) {
        const Measured& m = measured[i];
        const double ms = median(m.milliseconds);
        const double mib = static_cast<double>(m.peakKiB) / 1024;
        const std::string name = std::filesystem::path(m.path).filename().string();
        std::printf("  %-16s %6.1f ms %7.2f %5.1f MiB %7.2f\n", name.c_str(), ms, ms / baseMs,
                    mib, mib / baseMiB);
    }
    return 0;
}
