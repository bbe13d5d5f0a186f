#pragma once

// Sound effects through SDL2's audio subsystem alone. The subsystem and one output device
// are opened at the first sound and closed again once nothing has played for a short rest,
// so that an idle program never wakes; the next sound opens them again. Each file is loaded
// once, checked and converted to the device's format. Without a device, or for a file that
// is missing, damaged or implausible, there is silence and nothing is printed.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace platform {

class SdlSound final : public SoundPlayer {
public:
    // Sound files are `programName`'s data files (see DataFiles.h).
    explicit SdlSound(const std::string& programName);
    // Sound files are looked for in `folders`, in order. The device closes after `rest`
    // without a sound (timed by the Qt event loop).
    explicit SdlSound(std::vector<std::filesystem::path> folders,
                      std::chrono::milliseconds rest = std::chrono::seconds(2));
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    // Plays the file and returns once it has been heard to its end; sleeps meanwhile.
    void playToEnd(const std::string& fileName) override;
    void stop() override;

    // Whether an output device could be opened (opens it if it is closed and opening has
    // not failed before).
    bool deviceAvailable();
    // Whether the output device is open right now.
    bool deviceOpen() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
