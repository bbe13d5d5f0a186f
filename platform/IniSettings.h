#pragma once

// The settings file: our own reader and writer of the private-profile format, keeping the
// file in the user's configuration folder ($XDG_CONFIG_HOME, by default ~/.config).

#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/Services.h"

namespace platform {

class IniSettings final : public SettingsStore {
public:
    // Files in the user's configuration folder, looked up anew on every call.
    IniSettings() = default;
    // Files in `folder`.
    explicit IniSettings(std::filesystem::path folder);

    std::string read(const SettingPlace& place) override;
    // Replaces the file atomically (a temporary beside it, then a rename), keeping every
    // other section, key and line, and the file's owner, group and mode. A settings file
    // that is a link is written where the link leads only when that is a regular file of
    // the link's own owner. A file that cannot be written is passed over silently.
    void write(const SettingPlace& place, const std::string& value) override;

    // A settings file is small; of a larger one only this much is read, and such a file is
    // never rewritten (so nothing beyond the part read can be lost).
    static constexpr std::size_t MaxFileSize = 1 << 20;

    // $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; empty without a home.
    static std::filesystem::path userConfigFolder();

private:
    std::filesystem::path folder() const;
    std::filesystem::path folder_;
};

}  // namespace platform
