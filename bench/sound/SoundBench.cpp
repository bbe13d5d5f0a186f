// How long the sound player holds its caller beyond the sound itself: each of the three
// sounds is played to its end, through the real player, on SDL's disk and dummy drivers, and
// the time playToEnd takes is compared with the sound's own length. Each sound is played
// with the device already open (a sound soon after another) and as the first sound after a
// rest (the device opened for it).
//
//   sound_bench [--runs N] [--folder PATH]

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/DataFiles.h"
#include "platform/SdlSound.h"
#include "platform/SoundData.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* const Sounds[] = {"chip.wav", "card.wav", "shuf.wav"};

// The sound's own length in milliseconds, from its samples in the format the player asks
// the device for; 0 when the file is missing or silence.
double lengthMs(const fs::path& folder, const std::string& fileName) {
    const std::vector<std::uint8_t> file = platform::readSoundFile((folder / fileName).string());
    SDL_AudioSpec device{};
    device.freq = 44100;
    device.format = AUDIO_S16SYS;
    device.channels = 2;
    const std::vector<std::uint8_t> pcm = platform::decodeSound(file.data(), file.size(), device);
    return pcm.size() / (44100.0 * 2 * 2) * 1000.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void report(const char* driver, const char* when, const char* name, double length,
            const std::vector<double>& extra) {
    std::printf(
        "%-6s %-11s %-9s %6.1f ms long   extra: median %5.1f ms   min %5.1f ms   max %5.1f ms\n",
        driver, when, name, length, median(extra), *std::min_element(extra.begin(), extra.end()),
        *std::max_element(extra.begin(), extra.end()));
}

// The milliseconds playToEnd takes for `name` beyond `length`.
double extraMs(platform::SdlSound& sound, const char* name, double length) {
    const auto start = Clock::now();
    sound.playToEnd(name);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() - length;
}

// Runs the event loop until the player has closed its device after its rest.
bool waitUntilClosed(const platform::SdlSound& sound) {
    QDeadlineTimer deadline(10000);
    while (sound.deviceOpen() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return !sound.deviceOpen();
}

// Plays each sound `runs` times on `driver`, the device open, then `runs` times as the
// first sound after a rest, and prints the extra milliseconds. Between two plays on the
// open device the caller pauses for a varying while, as a player between clicks, so that
// the sound starts at every point of the device's cycle.
bool measure(const char* driver, const fs::path& folder, int runs) {
    ::setenv("SDL_AUDIODRIVER", driver, 1);
    {
        platform::SdlSound sound(std::vector<fs::path>{folder});
        if (!sound.deviceAvailable()) {
            std::printf("%-6s no audio device\n", driver);
            return false;
        }
        for (const char* name : Sounds) sound.playToEnd(name);  // loaded once; not measured
        for (const char* name : Sounds) {
            const double length = lengthMs(folder, name);
            std::vector<double> extra;
            for (int i = 0; i < runs; ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(3000 + (i * 7919) % 20000));
                QCoreApplication::processEvents();
                extra.push_back(extraMs(sound, name, length));
            }
            report(driver, "open", name, length, extra);
        }
    }
    platform::SdlSound sound(std::vector<fs::path>{folder}, std::chrono::milliseconds(10));
    for (const char* name : Sounds) {
        const double length = lengthMs(folder, name);
        std::vector<double> extra;
        for (int i = 0; i < runs; ++i) {
            if (!waitUntilClosed(sound)) return false;
            extra.push_back(extraMs(sound, name, length));
        }
        report(driver, "after rest", name, length, extra);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    fs::path folder = platform::executableFolder();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--folder" && i + 1 < argc) {
            folder = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--runs N] [--folder PATH]\n", argv[0]);
            return 2;
        }
    }
    for (const char* name : Sounds) {
        if (lengthMs(folder, name) <= 0) {
            std::fprintf(stderr, "%s: no playable %s in %s\n", argv[0], name, folder.c_str());
            return 1;
        }
    }
    // An event loop keeps the device open between the plays, as in the programs.
    QCoreApplication app(argc, argv);
    const fs::path played =
        fs::temp_directory_path() / ("sound_bench-" + std::to_string(::getpid()) + ".raw");
    ::setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
    bool ok = true;
    for (const char* driver : {"disk", "dummy"}) ok = measure(driver, folder, runs) && ok;
    std::error_code ec;
    fs::remove(played, ec);
    return ok ? 0 : 1;
}
