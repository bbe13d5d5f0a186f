#include "platform/DataFiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#ifndef BLACKJACK_DATA_DIR
#define BLACKJACK_DATA_DIR "/usr/local/share"
#endif

namespace platform {

namespace fs = std::filesystem;

fs::path executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return exe.parent_path();
}

std::vector<fs::path> dataFolders(const std::string& programName) {
    std::vector<fs::path> folders;
    const fs::path here = executableFolder();
    if (!here.empty()) folders.push_back(here);
    // An installed tree moved to another prefix still finds its data: <prefix>/bin/../share.
    if (!here.empty()) folders.push_back(here.parent_path() / "share" / programName);
    folders.push_back(fs::path(BLACKJACK_DATA_DIR) / programName);
    return folders;
}

std::vector<fs::path> iconFolders() {
    std::vector<fs::path> folders;
    const fs::path here = executableFolder();
    if (!here.empty()) {
        folders.push_back(here / "icons");
        folders.push_back(here.parent_path() / "share" / "icons" / "hicolor");
    }
    folders.push_back(fs::path(BLACKJACK_DATA_DIR) / "icons" / "hicolor");
    return folders;
}

fs::path userBaseFolder(const char* variable, const char* inHome) {
    if (const char* xdg = std::getenv(variable); xdg && xdg[0] == '/') return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') return {};
    return fs::path(home) / inHome;
}

fs::path cacheFolder(const std::string& programName) {
    if (programName.empty() || programName.find('/') != std::string::npos) return {};
    const fs::path base = userBaseFolder("XDG_CACHE_HOME", ".cache");
    if (base.empty()) return {};
    createPrivateFolders(base / programName);
    return base / programName;
}

void createPrivateFolders(const fs::path& dir) {
    struct stat st {};
    if (dir.empty() || ::stat(dir.c_str(), &st) == 0) return;
    if (errno != ENOENT) return;
    const fs::path parent = dir.parent_path();
    if (parent != dir) createPrivateFolders(parent);
    ::mkdir(dir.c_str(), 0700);
}

std::string findDataFile(const std::vector<fs::path>& folders, const std::string& fileName) {
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find('/') != std::string::npos)
        return {};
    for (const fs::path& folder : folders) {
        std::error_code ec;
        const fs::path candidate = folder / fileName;
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
    }
    return {};
}

std::string findDataFile(const std::string& programName, const std::string& fileName) {
    return findDataFile(dataFolders(programName), fileName);
}

}  // namespace platform
