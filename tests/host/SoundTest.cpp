// The sound player on SDL's dummy and disk audio drivers: sounds play to their end, damaged
// files are silence, and the device closes after a rest and opens again for the next sound.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "platform/SdlSound.h"
#include "platform/SoundData.h"

namespace fs = std::filesystem;

namespace {

struct WavFormat {
    std::uint16_t tag = 1;  // PCM
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 16;
};

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A WAV file: the 44-byte header of `format` and `data` as its data chunk.
std::string wav(const WavFormat& format, const std::string& data) {
    const std::uint32_t block = format.channels * format.bits / 8;
    std::string out = "RIFF";
    put32(out, static_cast<std::uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, format.tag);
    put16(out, format.channels);
    put32(out, format.rate);
    put32(out, format.rate * block);
    put16(out, block);
    put16(out, format.bits);
    out += "data";
    put32(out, static_cast<std::uint32_t>(data.size()));
    return out + data;
}

// `frames` frames of 16-bit samples, none of them silent and each different from its
// neighbours, so that a sound cut short or out of order shows. A tone of `shift` 10000
// shares no frame with an unshifted one over their first 10,000 frames.
std::string tone(int frames, int channels = 1, int shift = 0) {
    std::string out;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            put16(out, static_cast<std::uint16_t>(1 + (i * 7 + c + shift) % 20000));
    return out;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// What `run` writes on stderr, file descriptor 2 included.
std::string stderrOf(const fs::path& scratch, const std::function<void()>& run) {
    const fs::path captured = scratch / "stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (saved < 0 || file < 0) return "cannot capture stderr";
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    return readFile(captured);
}

// Damaged or implausible sound files, each of which must be silence.
struct Damaged {
    const char* what;
    std::string bytes;
};

std::vector<Damaged> damagedFiles() {
    const std::string good = wav({}, tone(1100));
    std::string cut = good.substr(0, 44);
    std::string overlong = good;
    overlong[40] = overlong[41] = overlong[42] = '\xff';
    overlong[43] = '\x7f';
    return {
        {"sample rate 1", wav({.rate = 1}, tone(1100))},
        {"sample rate 3999", wav({.rate = 3999}, tone(1100))},
        {"sample rate 400000", wav({.rate = 400000}, tone(1100))},
        {"sample rate 2^31 - 1", wav({.rate = 0x7fffffff}, tone(1100))},
        {"no channels", wav({.channels = 0}, tone(1100))},
        {"nine channels", wav({.channels = 9}, tone(99, 9))},
        {"empty data chunk", wav({}, "")},
        {"cut to its header", cut},
        {"data chunk longer than the file", overlong},
        {"less than one frame", wav({.channels = 2}, "\x01\x02\x03")},
        {"MPEG layer 3", wav({.tag = 0x55}, tone(1100))},
        {"not a WAV file", "RIFF not really"},
        // 4 kHz 8-bit mono grows 48-fold on the way to 44.1 kHz 16-bit stereo: past what a
        // sound may take.
        {"converted beyond the size limit",
         wav({.rate = 4000, .bits = 8}, std::string(800000, '\x90'))},
    };
}

class SoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override {
        std::string pattern = "/tmp/soundtest-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        folder = pattern;
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override {
        ::unsetenv("SDL_DISKAUDIOFILE");
        ::unsetenv("SDL_DISKAUDIODELAY");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
};

TEST_F(SoundTest, DamagedFilesAreSilenceAndTheNextSoundStillPlays) {
    const auto damaged = damagedFiles();
    for (std::size_t i = 0; i < damaged.size(); ++i)
        writeFile(folder / ("damaged" + std::to_string(i) + ".wav"), damaged[i].bytes);
    writeFile(folder / "chip.wav", wav({}, tone(1100)));
    platform::SdlSound sound(std::vector<fs::path>{folder});
    ASSERT_TRUE(sound.deviceAvailable());
    const std::string printed = stderrOf(folder, [&] {
        for (std::size_t i = 0; i < damaged.size(); ++i) {
            SCOPED_TRACE(damaged[i].what);
            sound.playToEnd("damaged" + std::to_string(i) + ".wav");
            sound.playToEnd("damaged" + std::to_string(i) + ".wav");  // and again, from the cache
        }
        sound.playToEnd("chip.wav");
    });
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(sound.deviceAvailable());
}

// The format the player asks the device for.
SDL_AudioSpec cdStereo() {
    SDL_AudioSpec layout{};
    layout.freq = 44100;
    layout.format = AUDIO_S16SYS;
    layout.channels = 2;
    layout.samples = 1024;
    return layout;
}

std::vector<std::uint8_t> decode(const std::string& file,
                                 const SDL_AudioSpec& device = cdStereo()) {
    return platform::decodeSound(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(),
                                 device);
}

TEST(SoundData, DamagedOrImplausibleFilesGiveNoSamples) {
    for (const Damaged& file : damagedFiles()) EXPECT_TRUE(decode(file.bytes).empty()) << file.what;
    SDL_AudioSpec tenChannels = cdStereo();
    tenChannels.channels = 10;
    EXPECT_TRUE(decode(wav({}, tone(1100)), tenChannels).empty());
}

TEST(SoundData, PlausibleFilesAreConvertedToTheDevicesFormat) {
    // In the device's own format the samples pass unchanged, an odd last byte left off.
    const std::string same = tone(1000, 2);
    const auto unchanged = decode(wav({.channels = 2, .rate = 44100}, same + "\x01"));
    EXPECT_EQ(std::string(unchanged.begin(), unchanged.end()), same);

    // 22.05 kHz mono to 44.1 kHz stereo: four times the bytes, give or take the
    // resampler's edges, in whole frames.
    const auto converted = decode(wav({}, tone(11025)));
    EXPECT_NEAR(double(converted.size()), 4.0 * 22050, 4.0 * 64);
    EXPECT_EQ(converted.size() % 4, 0u);

    struct Case {
        const char* what;
        std::string file;
    };
    const Case plausible[] = {
        {"8-bit", wav({.bits = 8}, std::string(2000, '\x90'))},
        {"24-bit", wav({.bits = 24}, std::string(3000, '\x11'))},
        {"float", wav({.tag = 3, .bits = 32}, std::string(4000, '\0'))},
        {"8 channels at 48 kHz", wav({.channels = 8, .rate = 48000}, tone(480, 8))},
        {"4 kHz", wav({.rate = 4000}, tone(400))},
        {"192 kHz", wav({.rate = 192000}, tone(1920))},
    };
    for (const Case& c : plausible) EXPECT_FALSE(decode(c.file).empty()) << c.what;
}

TEST_F(SoundTest, DeviceClosesAfterARestAndOpensForTheNextSound) {
    writeFile(folder / "chip.wav", wav({}, tone(1100)));
    platform::SdlSound sound(std::vector<fs::path>{folder}, std::chrono::milliseconds(50));
    ASSERT_TRUE(sound.deviceAvailable());
    EXPECT_TRUE(sound.deviceOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sound.deviceOpen(); }, 10000));
    for (int i = 0; i < 2; ++i) {
        sound.playToEnd("chip.wav");
        EXPECT_TRUE(sound.deviceOpen());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !sound.deviceOpen(); }, 10000));
    }
}

TEST_F(SoundTest, TheFirstSoundAfterARestReachesTheDeviceWhole) {
    // SDL's disk driver writes what the device plays to a file, which it starts afresh at
    // each opening of the device and completes at its closing.
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    const fs::path played = folder / "played.raw";
    ::setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
    const std::string samples = tone(4410, 2);  // 0.1 s in the device's own format
    writeFile(folder / "card.wav", wav({.channels = 2, .rate = 44100}, samples));

    platform::SdlSound sound(std::vector<fs::path>{folder}, std::chrono::milliseconds(50));
    for (int i = 0; i < 2; ++i) {
        sound.playToEnd("card.wav");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sound.deviceOpen(); }, 10000));
        EXPECT_NE(readFile(played).find(samples), std::string::npos) << "sound " << i;
    }
}

TEST_F(SoundTest, PlayToEndReturnsOnceTheDeviceHasPlayedTheWholeSound) {
    // The disk driver sleeps a set while after taking each buffer from the queue: longer than
    // the buffer plays, the device falls behind the clock; shorter, it runs ahead of it.
    // Either way each sound is played whole before the next one starts, and playToEnd
    // returns no sooner than the sound's own length. A missing or damaged file between them
    // is silence, and a sound loaded before plays whole again.
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    const fs::path played = folder / "played.raw";
    ::setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
    const std::string first = tone(4410, 2);          // 100 ms in the device's own format
    const std::string second = tone(2205, 2, 10000);  // 50 ms
    writeFile(folder / "card.wav", wav({.channels = 2, .rate = 44100}, first));
    writeFile(folder / "chip.wav", wav({.channels = 2, .rate = 44100}, second));
    writeFile(folder / "broken.wav", "RIFF not really");
    using std::chrono::milliseconds;
    const auto heldFor = [](platform::SdlSound& sound, const char* fileName) {
        const auto start = std::chrono::steady_clock::now();
        sound.playToEnd(fileName);
        return std::chrono::steady_clock::now() - start;
    };

    for (const char* delayMs : {"30", "1"}) {
        SCOPED_TRACE(std::string("device sleeps ") + delayMs + " ms per buffer");
        ::setenv("SDL_DISKAUDIODELAY", delayMs, 1);
        platform::SdlSound sound(std::vector<fs::path>{folder}, milliseconds(50));
        EXPECT_GE(heldFor(sound, "card.wav"), milliseconds(100));
        EXPECT_GE(heldFor(sound, "chip.wav"), milliseconds(50));
        sound.playToEnd("missing.wav");
        sound.playToEnd("broken.wav");
        EXPECT_GE(heldFor(sound, "card.wav"), milliseconds(100));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sound.deviceOpen(); }, 10000));
        const std::string output = readFile(played);
        const auto firstAt = output.find(first);
        const auto secondAt = output.find(second);
        ASSERT_NE(firstAt, std::string::npos);
        ASSERT_NE(secondAt, std::string::npos);
        EXPECT_LT(firstAt, secondAt);
        EXPECT_NE(output.find(first, secondAt + second.size()), std::string::npos)
            << "the first sound, played again, is not heard whole after the second";
    }
}

TEST_F(SoundTest, NoAudioDeviceIsSilence) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    writeFile(folder / "chip.wav", wav({}, tone(1100)));
    platform::SdlSound sound(std::vector<fs::path>{folder});
    EXPECT_FALSE(sound.deviceAvailable());
    sound.playToEnd("chip.wav");
    sound.stop();
}

TEST_F(SoundTest, OpeningTheAudioDevicePrintsNothing) {
    // ALSA, where there is no sound card, reports it on stderr unless it is told not to.
    ::setenv("SDL_AUDIODRIVER", "alsa", 1);
    const std::string printed = stderrOf(folder, [&] {
        platform::SdlSound sound(std::vector<fs::path>{folder});
        sound.deviceAvailable();
    });
    EXPECT_EQ(printed, "");
}

}  // namespace
