// The settings file and the sounds.

#include "table/TableWindow.h"

namespace table {

std::string TableWindow::GetIniValue(const std::string& FileName, const std::string& Section,
                                     const std::string& Key) {
    (void)FileName;
    (void)Section;
    (void)Key;
    return {};
}

void TableWindow::SetIniValue(const std::string& Section, const std::string& Key,
                              const std::string& Value, const std::string& FileName) {
    (void)Section;
    (void)Key;
    (void)Value;
    (void)FileName;
}

void TableWindow::PlayEffect(int Kind) { (void)Kind; }

}  // namespace table
