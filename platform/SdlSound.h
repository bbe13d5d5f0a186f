#pragma once

// Sound effects through SDL2's audio subsystem alone. The subsystem and one output device
// are opened at the first sound and kept; each file is loaded once and converted to the
// device's format. Without a device, or for a file that is missing or unreadable, there is
// silence and nothing is printed.

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
    // Sound files are looked for in `folders`, in order.
    explicit SdlSound(std::vector<std::filesystem::path> folders);
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    // Plays the file and returns once it has been heard to its end; sleeps meanwhile.
    void playToEnd(const std::string& fileName) override;
    void stop() override;

    // Whether an output device could be opened (opens it if that was not tried yet).
    bool deviceAvailable();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace platform
