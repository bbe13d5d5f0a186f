// The settings file and the sounds of the table game.

#include "table/TableWindow.h"

namespace table {

namespace {
// The longest value a setting holds; a longer stored value is cut.
constexpr std::size_t MaxValueLength = 127;
}  // namespace

std::string TableWindow::GetIniValue(const std::string& FileName, const std::string& Section,
                                     const std::string& Key) {
    std::string value = services_.settings.read(FileName, Section, Key);
    // A stored NUL ends the value, as it would end the text of a fixed buffer.
    const std::size_t nul = value.find('\0');
    if (nul != std::string::npos) value.resize(nul);
    if (value.size() > MaxValueLength) value.resize(MaxValueLength);
    return value;
}

void TableWindow::SetIniValue(const std::string& Section, const std::string& Key,
                              const std::string& Value, const std::string& FileName) {
    services_.settings.write(Section, Key, Value, FileName);
}

void TableWindow::PlayEffect(int Kind) {
    if (SoundOff == 1) return;
    switch (Kind) {
        case 1:
            services_.sound.playToEnd("chip.wav");
            break;
        case 2:
            services_.sound.playToEnd("shuf.wav");
            break;
        case 3:
            services_.sound.playToEnd("card.wav");
            break;
        case 4:
        case 5:
            services_.sound.stop();
            break;
        default:
            break;
    }
}

}  // namespace table
