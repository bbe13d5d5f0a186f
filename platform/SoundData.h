#pragma once

// The samples of a sound file, ready for an output device: the bytes of a WAV file are
// checked, decoded by SDL and converted to the device's format. A damaged or implausible
// file gives no samples, which the player takes as silence.

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The most a sound may take in memory, as a file, decoded or converted: three minutes of
// CD-quality stereo, far beyond any sound effect.
inline constexpr std::size_t MaxSoundBytes = std::size_t{32} << 20;

// The sample rates a sound file may have.
inline constexpr int MinSoundRate = 4000;
inline constexpr int MaxSoundRate = 192000;

// The whole file at `path`; empty when it is missing, unreadable or above MaxSoundBytes.
std::vector<std::uint8_t> readSoundFile(const std::string& path);

// The samples of the WAV file `bytes` in `device`'s format; empty when the file is not a
// plausible, playable sound or `device` is not a format SDL converts to.
std::vector<std::uint8_t> decodeSound(const std::uint8_t* bytes, std::size_t size,
                                      const SDL_AudioSpec& device);

}  // namespace platform
