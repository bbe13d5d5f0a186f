// SDL2 is loaded at the first sound, not with the program: the library brings some thirty
// others with it (X11, Wayland, PulseAudio, sound codecs), whose loading would delay every
// start and cost memory even when no sound is ever played. The SDL functions that the sound
// player calls are defined here: the first call loads libSDL2, each call goes on to the
// library's own function, and without the library each fails the way SDL reports no audio.

#include <SDL.h>
#include <dlfcn.h>

namespace {

void* library() {
    static void* const lib = ::dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
    return lib;
}

template <typename Function>
Function entry(const char* name) {
    void* lib = library();
    return lib ? reinterpret_cast<Function>(::dlsym(lib, name)) : nullptr;
}

}  // namespace

// The library's function of the same name, looked up once; null without the library.
#define SDL_ENTRY(name) static const auto real = entry<decltype(&name)>(#name)

SDL_bool SDL_SetHint(const char* name, const char* value) {
    SDL_ENTRY(SDL_SetHint);
    return real ? real(name, value) : SDL_FALSE;
}

int SDL_InitSubSystem(Uint32 flags) {
    SDL_ENTRY(SDL_InitSubSystem);
    return real ? real(flags) : -1;
}

void SDL_QuitSubSystem(Uint32 flags) {
    SDL_ENTRY(SDL_QuitSubSystem);
    if (real) real(flags);
}

SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture,
                                      const SDL_AudioSpec* desired, SDL_AudioSpec* obtained,
                                      int allowed_changes) {
    SDL_ENTRY(SDL_OpenAudioDevice);
    return real ? real(device, iscapture, desired, obtained, allowed_changes) : 0;
}

void SDL_CloseAudioDevice(SDL_AudioDeviceID dev) {
    SDL_ENTRY(SDL_CloseAudioDevice);
    if (real) real(dev);
}

void SDL_PauseAudioDevice(SDL_AudioDeviceID dev, int pause_on) {
    SDL_ENTRY(SDL_PauseAudioDevice);
    if (real) real(dev, pause_on);
}

int SDL_QueueAudio(SDL_AudioDeviceID dev, const void* data, Uint32 len) {
    SDL_ENTRY(SDL_QueueAudio);
    return real ? real(dev, data, len) : -1;
}

Uint32 SDL_GetQueuedAudioSize(SDL_AudioDeviceID dev) {
    SDL_ENTRY(SDL_GetQueuedAudioSize);
    return real ? real(dev) : 0;
}

void SDL_ClearQueuedAudio(SDL_AudioDeviceID dev) {
    SDL_ENTRY(SDL_ClearQueuedAudio);
    if (real) real(dev);
}

SDL_RWops* SDL_RWFromConstMem(const void* mem, int size) {
    SDL_ENTRY(SDL_RWFromConstMem);
    return real ? real(mem, size) : nullptr;
}

SDL_AudioSpec* SDL_LoadWAV_RW(SDL_RWops* src, int freesrc, SDL_AudioSpec* layout, Uint8** audio_buf,
                              Uint32* audio_len) {
    SDL_ENTRY(SDL_LoadWAV_RW);
    return real ? real(src, freesrc, layout, audio_buf, audio_len) : nullptr;
}

void SDL_FreeWAV(Uint8* audio_buf) {
    SDL_ENTRY(SDL_FreeWAV);
    if (real) real(audio_buf);
}

int SDL_BuildAudioCVT(SDL_AudioCVT* cvt, SDL_AudioFormat src_format, Uint8 src_channels,
                      int src_rate, SDL_AudioFormat dst_format, Uint8 dst_channels, int dst_rate) {
    SDL_ENTRY(SDL_BuildAudioCVT);
    return real ? real(cvt, src_format, src_channels, src_rate, dst_format, dst_channels, dst_rate)
                : -1;
}

int SDL_ConvertAudio(SDL_AudioCVT* cvt) {
    SDL_ENTRY(SDL_ConvertAudio);
    return real ? real(cvt) : -1;
}
