#include "platform/IniSettings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "platform/IniFile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// A plain file name in the folder: no folder part, nothing that leaves the folder.
bool plainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

enum class ReadResult { Missing, Read, TooLarge, Unreadable };

// Reads a regular file of at most `limit` bytes (a FIFO or device is never opened for
// reading, so nothing blocks). With `partial`, a larger file gives its first `limit` bytes
// up to the last complete line.
ReadResult readFile(const fs::path& path, std::string& out, std::size_t limit, bool partial,
                    mode_t* mode = nullptr) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Unreadable;
    }
    if (mode) *mode = st.st_mode & 07777;
    out.resize(limit + 1);
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    if (got > limit) {
        if (!partial) {
            out.clear();
            return ReadResult::TooLarge;
        }
        out.resize(limit);
        const std::size_t lastBreak = out.rfind('\n');
        out.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    return ReadResult::Read;
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

IniSettings::IniSettings(fs::path folder) : folder_(std::move(folder)) {}

fs::path IniSettings::userConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || home[0] != '/') return {};
    return fs::path(home) / ".config";
}

fs::path IniSettings::folder() const { return folder_.empty() ? userConfigFolder() : folder_; }

std::string IniSettings::read(const std::string& fileName, const std::string& section,
                              const std::string& key) {
    const fs::path dir = folder();
    if (dir.empty() || !plainFileName(fileName)) return {};
    std::string contents;
    if (readFile(dir / fileName, contents, MaxFileSize, true) != ReadResult::Read) return {};
    return ini::readValue(contents, section, key);
}

void IniSettings::write(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName) {
    const fs::path dir = folder();
    if (dir.empty() || !plainFileName(fileName)) return;
    std::error_code ec;
    fs::create_directories(dir, ec);

    // A settings file kept as a link elsewhere is replaced where it really lies.
    fs::path target = dir / fileName;
    if (fs::is_symlink(target, ec)) {
        const fs::path real = fs::weakly_canonical(target, ec);
        if (ec) return;
        target = real;
    }

    std::string contents;
    mode_t mode = 0600;
    const ReadResult r = readFile(target, contents, MaxFileSize, false, &mode);
    if (r == ReadResult::TooLarge || r == ReadResult::Unreadable) return;
    // A file that may not be written (made read-only) is not written, although replacing
    // it would only need the folder to be writable; a file with no write bit at all stays
    // as it is even for the superuser.
    if (r == ReadResult::Read &&
        (::access(target.c_str(), W_OK) != 0 || (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0))
        return;
    const std::optional<std::string> updated = ini::writeValue(contents, section, key, value);
    if (!updated || (r == ReadResult::Read && *updated == contents)) return;

    // A hidden temporary beside the file, so the rename stays within one file system.
    std::string tempName = target.filename().string();
    tempName.insert(tempName.begin(), '.');
    tempName.append(".XXXXXX");
    std::string temp = (target.parent_path() / tempName).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return;
    bool ok = writeAll(fd, *updated) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) ::unlink(temp.c_str());
}

}  // namespace platform
