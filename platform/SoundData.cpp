#include "platform/SoundData.h"

#include <cstring>
#include <fstream>
#include <memory>

namespace platform {

namespace {

std::uint32_t littleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// SDL allocates each chunk at the length its header gives before reading it, so a short
// file that claims a data chunk of 4 GB makes it allocate 4 GB. Every chunk, walked as SDL
// walks them (after "RIFF", its length and "WAVE", or after a bare "WAVE"), must lie
// within the file.
bool chunksWithinFile(const std::uint8_t* bytes, std::size_t size) {
    std::size_t position = 0;
    if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVE", 4) == 0)
        position = 12;
    else if (size >= 4 && std::memcmp(bytes, "WAVE", 4) == 0)
        position = 4;
    else
        return false;
    while (size - position >= 8) {
        const std::uint64_t length = littleEndian32(bytes + position + 4);
        const std::uint64_t end = position + 8 + length;
        if (end > size) return false;
        position = static_cast<std::size_t>(end + (length & 1));
        if (position > size) break;  // an odd last chunk without its pad byte
    }
    return true;
}

bool knownFormat(SDL_AudioFormat format) {
    switch (format) {
        case AUDIO_U8:
        case AUDIO_S8:
        case AUDIO_U16LSB:
        case AUDIO_S16LSB:
        case AUDIO_U16MSB:
        case AUDIO_S16MSB:
        case AUDIO_S32LSB:
        case AUDIO_S32MSB:
        case AUDIO_F32LSB:
        case AUDIO_F32MSB:
            return true;
        default:
            return false;
    }
}

// A sample format SDL converts from and to, 1 to 8 channels (what its converter
// supports) and a rate within the plausible range.
bool plausible(const SDL_AudioSpec& layout) {
    return knownFormat(layout.format) && layout.channels >= 1 && layout.channels <= 8 &&
           layout.freq >= MinSoundRate && layout.freq <= MaxSoundRate;
}

std::size_t frameBytes(const SDL_AudioSpec& layout) {
    return static_cast<std::size_t>(SDL_AUDIO_BITSIZE(layout.format) / 8) * layout.channels;
}

// A WAV file as SDL decoded it: its samples, freed by SDL, and their layout.
struct DecodedWav {
    std::unique_ptr<Uint8, void (*)(Uint8*)> samples{nullptr, &SDL_FreeWAV};
    Uint32 length = 0;
    SDL_AudioSpec layout{};
};

// SDL's decoding of the file in `bytes`; no samples when SDL cannot decode it.
DecodedWav loadWav(const std::uint8_t* bytes, std::size_t size) {
    DecodedWav wav;
    SDL_RWops* source = SDL_RWFromConstMem(bytes, static_cast<int>(size));
    if (!source) return wav;
    Uint8* decoded = nullptr;
    if (!SDL_LoadWAV_RW(source, 1, &wav.layout, &decoded, &wav.length)) return wav;
    wav.samples.reset(decoded);
    return wav;
}

// The first `whole` bytes of `samples`, in `layout`, converted to the device's layout;
// nothing when SDL cannot convert them or the result would be too large.
std::vector<std::uint8_t> convert(const Uint8* samples, std::size_t whole,
                                  const SDL_AudioSpec& layout, const SDL_AudioSpec& device) {
    SDL_AudioCVT cvt{};
    const int built = SDL_BuildAudioCVT(&cvt, layout.format, layout.channels, layout.freq,
                                        device.format, device.channels, device.freq);
    if (built < 0) return {};
    if (built == 0) return std::vector<std::uint8_t>(samples, samples + whole);

    // The conversion works in place in a buffer len_mult times the input, and keeps its
    // lengths in an int: the size is computed wide and bounded before anything is
    // allocated.
    if (cvt.len_mult <= 0) return {};
    const std::uint64_t needed = std::uint64_t{whole} * static_cast<std::uint64_t>(cvt.len_mult);
    if (needed > MaxSoundBytes) return {};
    std::vector<std::uint8_t> work(static_cast<std::size_t>(needed));
    std::memcpy(work.data(), samples, whole);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(whole);
    if (SDL_ConvertAudio(&cvt) != 0) return {};
    if (cvt.len_cvt <= 0 || static_cast<std::uint64_t>(cvt.len_cvt) > needed) return {};
    const std::size_t converted = static_cast<std::size_t>(cvt.len_cvt);
    work.resize(converted - converted % frameBytes(device));
    return work;
}

}  // namespace

std::vector<std::uint8_t> readSoundFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::uint64_t>(size) > MaxSoundBytes) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return {};
    return bytes;
}

std::vector<std::uint8_t> decodeSound(const std::uint8_t* bytes, std::size_t size,
                                      const SDL_AudioSpec& device) {
    if (!bytes || size == 0 || size > MaxSoundBytes || !plausible(device)) return {};
    if (!chunksWithinFile(bytes, size)) return {};
    const DecodedWav wav = loadWav(bytes, size);

    // Whole frames only, at least one, and no more than a sound may take.
    if (!wav.samples || !plausible(wav.layout)) return {};
    const std::size_t whole = wav.length - wav.length % frameBytes(wav.layout);
    if (whole == 0 || whole > MaxSoundBytes) return {};
    return convert(wav.samples.get(), whole, wav.layout, device);
}

}  // namespace platform
