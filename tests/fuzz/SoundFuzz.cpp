// Arbitrary bytes as a sound file, through the player's own check and conversion: nothing
// crashes, allocates beyond a sound's bound or reads out of bounds, and what comes out is
// whole frames of the device's format. The last byte picks the device's format, as SDL may
// give any.

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/SoundData.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

struct Device {
    int freq;
    SDL_AudioFormat format;
    Uint8 channels;
};

constexpr Device Devices[] = {
    {44100, AUDIO_S16SYS, 2}, {48000, AUDIO_F32SYS, 2}, {48000, AUDIO_S16SYS, 6},
    {22050, AUDIO_U8, 1},     {96000, AUDIO_S32SYS, 8}, {8000, AUDIO_S16MSB, 1},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Device& d = Devices[data[size - 1] % (sizeof Devices / sizeof Devices[0])];
    SDL_AudioSpec device{};
    device.freq = d.freq;
    device.format = d.format;
    device.channels = d.channels;
    device.samples = 1024;

    const auto samples = platform::decodeSound(data, size, device);
    require(samples.size() <= platform::MaxSoundBytes);
    require(samples.size() % (SDL_AUDIO_BITSIZE(d.format) / 8 * d.channels) == 0);
    return 0;
}
