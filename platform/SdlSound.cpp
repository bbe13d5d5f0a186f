#include "platform/SdlSound.h"

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/DataFiles.h"
#include "platform/SoundData.h"

namespace platform {

namespace {

// ALSA reports a missing sound card on stderr from inside the library. SDL loads
// libasound itself; loading it first lets its error handler be set to one that prints
// nothing, for the whole process (SDL's hot-plug thread included).
void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    static const bool done = [] {
        void* lib = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return true;  // no ALSA, nothing to silence; the library stays loaded
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(::dlsym(lib, "snd_lib_error_set_handler")))
            set(&quietAlsaError);
        return true;
    }();
    (void)done;
}

// Sends stderr to /dev/null while SDL probes its audio back ends, which may print.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace

struct SdlSound::Impl {
    std::vector<std::filesystem::path> folders;
    std::chrono::milliseconds rest{};
    QTimer restTimer;
    bool failed = false;  // no device could be opened: silence for the rest of the run
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec deviceFormat{};
    // Samples converted to `soundsFormat`, by file name; empty: silence.
    std::map<std::string, std::vector<std::uint8_t>> sounds;
    SDL_AudioSpec soundsFormat{};

    bool open();
    const std::vector<std::uint8_t>& load(const std::string& fileName);
    void play(const std::string& fileName);
    void startRest();
    void close();
};

bool SdlSound::Impl::open() {
    if (device != 0) return true;
    if (failed) return false;
    silenceAlsa();
    QuietStderr quiet;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failed = true;
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // A small buffer: a sound starts within one buffer's time of being queued, and is heard to
    // its end within one buffer's time of the device taking its last samples.
    want.samples = 512;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &deviceFormat, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (device == 0 || deviceFormat.channels == 0 || deviceFormat.freq <= 0) {
        if (device != 0) SDL_CloseAudioDevice(device);
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        failed = true;
        return false;
    }
    // A device opened again after a rest may have another format than the one the
    // sounds were converted to.
    if (deviceFormat.freq != soundsFormat.freq || deviceFormat.format != soundsFormat.format ||
        deviceFormat.channels != soundsFormat.channels) {
        sounds.clear();
        soundsFormat = deviceFormat;
    }
    return true;
}

const std::vector<std::uint8_t>& SdlSound::Impl::load(const std::string& fileName) {
    auto found = sounds.find(fileName);
    if (found != sounds.end()) return found->second;
    std::vector<std::uint8_t>& pcm = sounds[fileName];
    const std::string path = findDataFile(folders, fileName);
    if (path.empty()) return pcm;
    const std::vector<std::uint8_t> file = readSoundFile(path);
    pcm = decodeSound(file.data(), file.size(), deviceFormat);
    return pcm;
}

// An open device keeps a thread that wakes many times a second, playing or not, and the
// audio subsystem may keep one of its own: both go once nothing has played for `rest`,
// and the next sound opens them again.
void SdlSound::Impl::startRest() {
    if (device == 0) return;
    if (QCoreApplication::instance())
        restTimer.start(rest);
    else
        close();  // no event loop to wait in
}

void SdlSound::Impl::close() {
    restTimer.stop();
    if (device == 0) return;
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

SdlSound::SdlSound(const std::string& programName) : SdlSound(dataFolders(programName)) {}

SdlSound::SdlSound(std::vector<std::filesystem::path> folders, std::chrono::milliseconds rest)
    : d_(std::make_unique<Impl>()) {
    d_->folders = std::move(folders);
    d_->rest = rest;
    d_->restTimer.setSingleShot(true);
    QObject::connect(&d_->restTimer, &QTimer::timeout, [impl = d_.get()] { impl->close(); });
}

SdlSound::~SdlSound() {
    d_->close();
}

bool SdlSound::deviceAvailable() {
    const bool open = d_->open();
    d_->startRest();
    return open;
}

bool SdlSound::deviceOpen() const {
    return d_->device != 0;
}

void SdlSound::playToEnd(const std::string& fileName) {
    if (!d_->open()) return;
    d_->play(fileName);
    d_->startRest();
}

void SdlSound::Impl::play(const std::string& fileName) {
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    const std::vector<std::uint8_t>& pcm = load(fileName);
    if (pcm.empty()) return;
    const SDL_AudioDeviceID dev = device;
    const double bytesPerSecond = double(deviceFormat.freq) * deviceFormat.channels *
                                  (SDL_AUDIO_BITSIZE(deviceFormat.format) / 8);
    if (bytesPerSecond <= 0) return;
    const auto playTime = [&](double bytes) {
        return std::chrono::duration_cast<Clock::duration>(Seconds(bytes / bytesPerSecond));
    };
    // The device takes the queue one buffer at a time and plays each buffer after taking it;
    // the sound's last buffer holds what is left over its whole buffers.
    const double bufferBytes = double(deviceFormat.samples) * deviceFormat.channels *
                               (SDL_AUDIO_BITSIZE(deviceFormat.format) / 8);
    if (bufferBytes <= 0) return;
    const auto buffer = playTime(bufferBytes);
    const double over = std::fmod(double(pcm.size()), bufferBytes);
    const auto lastBuffer = playTime(over > 0 ? over : bufferBytes);

    SDL_ClearQueuedAudio(dev);
    if (SDL_QueueAudio(dev, pcm.data(), static_cast<Uint32>(pcm.size())) != 0) return;
    const Clock::time_point start = Clock::now();
    SDL_PauseAudioDevice(dev, 0);
    const Clock::time_point end = start + playTime(double(pcm.size()));

    // Sleep while samples wait in the queue: each step for what is queued less the buffer the
    // device takes last, and at least a quarter of a buffer, so that the queue is seen empty
    // soon after the device has taken the last samples. A device that stops taking samples
    // cannot hold the program: the wait ends two seconds after the sound should have ended.
    const Clock::time_point limit = end + std::chrono::seconds(2);
    Clock::time_point now = start;
    for (;;) {
        const Uint32 queued = SDL_GetQueuedAudioSize(dev);
        now = Clock::now();
        if (queued == 0) break;
        if (now >= limit) {
            SDL_ClearQueuedAudio(dev);
            break;
        }
        const auto step = std::max(playTime(queued) - buffer, buffer / 4);
        std::this_thread::sleep_until(std::min(now + step, limit));
    }
    // The device took the sound's last buffer since the queue was last seen holding some, and
    // plays it from then on; nor has the sound been heard before its own length.
    std::this_thread::sleep_until(std::max(now + lastBuffer, end));
    SDL_PauseAudioDevice(dev, 1);
}

void SdlSound::stop() {
    if (d_->device != 0) {
        SDL_ClearQueuedAudio(d_->device);
        SDL_PauseAudioDevice(d_->device, 1);
    }
}

}  // namespace platform
