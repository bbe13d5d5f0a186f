#include "platform/SdlSound.h"

#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/DataFiles.h"

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
    bool tried = false;
    bool subsystem = false;
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec deviceFormat{};
    std::map<std::string, std::vector<Uint8>> sounds;  // converted samples; empty: silence

    bool open();
    const std::vector<Uint8>& load(const std::string& fileName);
    void close();
};

bool SdlSound::Impl::open() {
    if (tried) return device != 0;
    tried = true;
    silenceAlsa();
    QuietStderr quiet;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    subsystem = true;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &deviceFormat, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (device == 0 || deviceFormat.channels == 0 || deviceFormat.freq <= 0) {
        if (device != 0) SDL_CloseAudioDevice(device);
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem = false;
        return false;
    }
    return true;
}

const std::vector<Uint8>& SdlSound::Impl::load(const std::string& fileName) {
    auto found = sounds.find(fileName);
    if (found != sounds.end()) return found->second;
    std::vector<Uint8>& pcm = sounds[fileName];
    const std::string path = findDataFile(folders, fileName);
    if (path.empty()) return pcm;

    SDL_AudioSpec fileSpec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &fileSpec, &buffer, &length)) return pcm;
    SDL_AudioCVT cvt{};
    const int built = SDL_BuildAudioCVT(&cvt, fileSpec.format, fileSpec.channels, fileSpec.freq,
                                        deviceFormat.format, deviceFormat.channels, deviceFormat.freq);
    if (built == 0) {
        pcm.assign(buffer, buffer + length);
    } else if (built > 0 && cvt.len_mult > 0) {
        std::vector<Uint8> work(static_cast<std::size_t>(length) * static_cast<std::size_t>(cvt.len_mult));
        std::memcpy(work.data(), buffer, length);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&cvt) == 0) {
            work.resize(static_cast<std::size_t>(std::max(cvt.len_cvt, 0)));
            pcm = std::move(work);
        }
    }
    SDL_FreeWAV(buffer);
    return pcm;
}

void SdlSound::Impl::close() {
    if (device != 0) SDL_CloseAudioDevice(device);
    device = 0;
    if (subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem = false;
}

SdlSound::SdlSound(const std::string& programName) : SdlSound(dataFolders(programName)) {}

SdlSound::SdlSound(std::vector<std::filesystem::path> folders) : d_(std::make_unique<Impl>()) {
    d_->folders = std::move(folders);
}

SdlSound::~SdlSound() { d_->close(); }

bool SdlSound::deviceAvailable() { return d_->open(); }

void SdlSound::playToEnd(const std::string& fileName) {
    if (!d_->open()) return;
    const std::vector<Uint8>& pcm = d_->load(fileName);
    if (pcm.empty()) return;
    const SDL_AudioDeviceID dev = d_->device;
    const double bytesPerSecond =
        double(d_->deviceFormat.freq) * d_->deviceFormat.channels * (SDL_AUDIO_BITSIZE(d_->deviceFormat.format) / 8);
    if (bytesPerSecond <= 0) return;

    SDL_ClearQueuedAudio(dev);
    if (SDL_QueueAudio(dev, pcm.data(), static_cast<Uint32>(pcm.size())) != 0) return;
    SDL_PauseAudioDevice(dev, 0);

    // Sleep until the queue has drained, in steps no longer than what is left to play. A
    // device that stops consuming cannot hold the program: the wait ends two seconds after
    // the sound should have ended.
    const Uint64 start = SDL_GetTicks64();
    const Uint64 limit = start + static_cast<Uint64>(pcm.size() / bytesPerSecond * 1000.0) + 2000;
    for (;;) {
        const Uint32 queued = SDL_GetQueuedAudioSize(dev);
        if (queued == 0) break;
        const Uint64 now = SDL_GetTicks64();
        if (now >= limit) {
            SDL_ClearQueuedAudio(dev);
            break;
        }
        const double leftMs = queued / bytesPerSecond * 1000.0;
        SDL_Delay(static_cast<Uint32>(std::clamp(leftMs, 1.0, 20.0)));
    }
    // The device's own buffer still holds the last samples.
    SDL_Delay(static_cast<Uint32>(d_->deviceFormat.samples * 1000.0 / d_->deviceFormat.freq) + 5);
    SDL_PauseAudioDevice(dev, 1);
}

void SdlSound::stop() {
    if (d_->device != 0) {
        SDL_ClearQueuedAudio(d_->device);
        SDL_PauseAudioDevice(d_->device, 1);
    }
}

}  // namespace platform
