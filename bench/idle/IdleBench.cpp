// Wake-ups of an idle cardtable on a private Xvfb display, with SDL's dummy audio driver:
// the context switches of all of the program's threads, summed from
// /proc/<pid>/task/*/status, over a span of idle before any sound and over the same span
// right after one chip click (whose sound opens the audio device).
//
//   idle_bench [--seconds N] [--program PATH]

#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "XSession.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string Title = "Brenn Blackjack Game 3.2";

// The table window's client area and its 1-chip, in pixels (the model's twips / 15).
constexpr int ClientHeight = 480;
constexpr int ChipX = 440 + 24, ChipY = 398 + 23;

std::vector<std::string> taskIds(pid_t pid) {
    std::vector<std::string> ids;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.') ids.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    return ids;
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Voluntary plus involuntary context switches of each thread, by thread id; a thread that
// ends between listing and reading is left out.
std::map<std::string, long> switchesByTask(pid_t pid) {
    std::map<std::string, long> counts;
    for (const std::string& id : taskIds(pid)) {
        std::istringstream status(
            readWhole("/proc/" + std::to_string(pid) + "/task/" + id + "/status"));
        long total = 0;
        bool found = false;
        for (std::string line; std::getline(status, line);) {
            for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
                if (line.rfind(key, 0) == 0) {
                    total += std::atol(line.c_str() + std::char_traits<char>::length(key));
                    found = true;
                }
            }
        }
        if (found) counts[id] = total;
    }
    return counts;
}

// Whether one of the program's threads is SDL's audio device thread.
bool audioThreadRuns(pid_t pid) {
    for (const std::string& id : taskIds(pid))
        if (readWhole("/proc/" + std::to_string(pid) + "/task/" + id + "/comm")
                .rfind("SDLAudio", 0) == 0)
            return true;
    return false;
}

struct Span {
    long total = 0;
    std::vector<long> perSecond;
    std::optional<double> audioClosedAfter;  // seconds into the span
};

// Samples the threads every 50 ms for `seconds`. A thread's switches count from the first
// sample that sees it (from 0 for one started during the span) to the last; a thread that
// ends loses at most its last 50 ms.
Span measure(pid_t pid, int seconds) {
    Span span;
    span.perSecond.assign(static_cast<std::size_t>(seconds), 0);
    std::map<std::string, long> last = switchesByTask(pid);
    bool audio = audioThreadRuns(pid);
    const auto start = Clock::now();
    const auto step = std::chrono::milliseconds(50);
    for (auto next = start + step; next <= start + std::chrono::seconds(seconds); next += step) {
        std::this_thread::sleep_until(next);
        const auto now = switchesByTask(pid);
        long delta = 0;
        for (const auto& [id, count] : now) {
            const auto before = last.find(id);
            delta += count - (before != last.end() ? before->second : 0);
        }
        for (const auto& [id, count] : now) last[id] = count;
        const double at = std::chrono::duration<double>(next - start).count();
        const auto second =
            std::min<std::size_t>(static_cast<std::size_t>(at - 1e-9), span.perSecond.size() - 1);
        span.perSecond[second] += delta;
        span.total += delta;
        if (audio && !audioThreadRuns(pid)) {
            audio = false;
            span.audioClosedAfter = at;
        }
    }
    return span;
}

void report(const char* what, const Span& span, int seconds) {
    std::printf("%-28s %6ld context switches in %d s (per second:", what, span.total, seconds);
    for (long n : span.perSecond) std::printf(" %ld", n);
    std::printf(")\n");
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    std::string program = e2e::programPath("cardtable");
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--seconds N] [--program PATH]\n", argv[0]);
            return 2;
        }
    }
    e2e::Session session;
    if (!e2e::readyOrSayWhy(session)) return 1;

    e2e::Process table = session.start(program, {}, {"SDL_AUDIODRIVER=dummy"});
    const auto windows = session.waitForWindow(Title, 60);
    const auto where = windows.empty() ? std::nullopt : session.geometry(windows.front());
    if (!where) {
        std::fprintf(stderr, "no table window appeared\n%s", table.output().c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // let start-up settle
    const Span before = measure(table.pid(), seconds);

    // The chip click: its sound opens the audio device, whose thread shows up at once.
    const int menuHeight = where->height - ClientHeight;
    if (!session.click(where->x + ChipX, where->y + menuHeight + ChipY)) {
        std::fprintf(stderr, "the click failed\n");
        return 1;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!audioThreadRuns(table.pid()) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!audioThreadRuns(table.pid())) {
        std::fprintf(stderr, "the chip click opened no audio device\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the click sound ends
    const Span after = measure(table.pid(), seconds);

    std::printf("cardtable idle, SDL_AUDIODRIVER=dummy, threads summed over /proc/<pid>/task\n");
    report("before any sound", before, seconds);
    report("after one chip click", after, seconds);
    if (after.audioClosedAfter)
        std::printf("the audio device thread ended %.1f s into the span after the click\n",
                    *after.audioClosedAfter);
    else
        std::printf("the audio device thread still runs at the end of the span\n");

    session.closeWindow(windows.front());
    if (!table.waitExit(30)) {
        std::fprintf(stderr, "cardtable did not end after its window was closed\n");
        return 1;
    }
    return 0;
}
