// The settings file and the sounds of the table game.

#include "table/TableWindow.h"

namespace table {

// The store cuts a value as the settings file's reader does (at a NUL and at 127
// characters), so a value comes back as read.
std::string TableWindow::GetIniValue(const std::string& FileName, const std::string& Section,
                                     const std::string& Key) {
    return services_.settings.read({.file = FileName, .section = Section, .key = Key});
}

void TableWindow::SetIniValue(const std::string& Section, const std::string& Key,
                              const std::string& Value, const std::string& FileName) {
    services_.settings.write({.file = FileName, .section = Section, .key = Key}, Value);
}

void TableWindow::PlayEffect(int Kind) {
    if (SoundOff == 1) return;
    switch (Kind) {
        case static_cast<int>(SoundEffect::Chip):
            services_.sound.playToEnd("chip.wav");
            break;
        case static_cast<int>(SoundEffect::Shuffle):
            services_.sound.playToEnd("shuf.wav");
            break;
        case static_cast<int>(SoundEffect::Card):
            services_.sound.playToEnd("card.wav");
            break;
        case static_cast<int>(SoundEffect::Stop):
        case static_cast<int>(SoundEffect::AlsoStop):
            services_.sound.stop();
            break;
        default:
            break;
    }
}

}  // namespace table
