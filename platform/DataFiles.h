#pragma once

// Where a program finds its data files (sounds, help): beside its executable first (the
// build tree keeps both programs and their data in one folder), then in the installed data
// folder <prefix>/share/<program>/; and where it keeps files it makes itself.

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// The folder of the running executable; empty when it cannot be told.
std::filesystem::path executableFolder();

// The folders searched for `programName`'s data, in order.
std::vector<std::filesystem::path> dataFolders(const std::string& programName);

// The folders searched for the programs' icons, each laid out as an icon theme
// (<n>x<n>/apps/<program>.png), in order: beside the executable (the build tree), then the
// installed hicolor theme.
std::vector<std::filesystem::path> iconFolders();

// One of the user's base folders: $`variable` when it is an absolute path, else `inHome` in
// the home folder ($HOME, else the user's entry); empty without a home.
std::filesystem::path userBaseFolder(const char* variable, const char* inHome);

// The folder where `programName` keeps files it can make again at any time:
// $XDG_CACHE_HOME/<program> when $XDG_CACHE_HOME is an absolute path, else
// ~/.cache/<program>, made when missing as createPrivateFolders does; empty without a home.
std::filesystem::path cacheFolder(const std::string& programName);

// Creates the folder `dir` and every missing folder above it, each private to the user
// (0700), as the XDG base directory rules ask for; folders that exist keep their mode.
void createPrivateFolders(const std::filesystem::path& dir);

// The full path of the first regular file `fileName` (a plain name) in `folders`, or empty.
std::string findDataFile(const std::vector<std::filesystem::path>& folders,
                         const std::string& fileName);
std::string findDataFile(const std::string& programName, const std::string& fileName);

}  // namespace platform
