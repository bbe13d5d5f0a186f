#include "platform/IniSettings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

#include "platform/DataFiles.h"
#include "platform/IniFile.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// A plain file name in the folder: no folder part, nothing that leaves the folder.
bool plainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

enum class ReadResult { Missing, Read, TooLarge, Unreadable };
// What a file larger than the limit gives: its first lines, or nothing (TooLarge).
enum class LargeFile { FirstLines, Refused };
// Whether a link is followed to its file, or refused.
enum class Links { Followed, Refused };

// An open regular file, or why there is none (Missing or Unreadable).
struct OpenFile {
    int fd = -1;
    ReadResult failure = ReadResult::Unreadable;
};

// Opens the regular file `name` of the folder `dir` for reading and fills `st`. Anything
// else, a FIFO or a device, is refused before it is opened, so nothing blocks and no device
// sees an open.
OpenFile openRegular(int dir, const char* name, Links links, struct stat& st) {
    const bool noFollow = links == Links::Refused;
    if (::fstatat(dir, name, &st, noFollow ? AT_SYMLINK_NOFOLLOW : 0) != 0)
        return {-1, errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable};
    if (!S_ISREG(st.st_mode)) return {};
    const int fd = ::openat(
        dir, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0));
    if (fd < 0) return {};
    // What was opened is checked again: the name may have been replaced since.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    return {fd};
}

// Reads `fd` to its end or to one byte past `limit`, whichever comes first; that byte shows
// a file beyond the limit. The buffer starts at the file's size (`size`); a file that grows
// meanwhile, or tells no size, is read on in larger steps.
std::string readPastLimit(int fd, std::size_t size, std::size_t limit) {
    std::string out(std::min(size, limit) + 1, '\0');
    std::size_t got = 0;
    while (true) {
        if (got == out.size()) {
            if (out.size() > limit) break;
            out.resize(std::min(limit + 1, std::max<std::size_t>(2 * out.size(), 4096)));
        }
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

// What is kept of contents beyond `limit`: with FirstLines, the complete lines within it;
// with Refused, nothing at all.
ReadResult cutToLimit(std::string& contents, std::size_t limit, LargeFile largeFile) {
    if (contents.size() <= limit) return ReadResult::Read;
    if (largeFile == LargeFile::Refused) {
        contents.clear();
        return ReadResult::TooLarge;
    }
    contents.resize(limit);
    const std::size_t lastBreak = contents.rfind('\n');
    contents.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    return ReadResult::Read;
}

// Reads the regular file `name` of the folder `dir` (AT_FDCWD for a path), of at most
// `limit` bytes, into `out`; `info`, when given, takes its status.
ReadResult readFile(int dir, const char* name, std::string& out, std::size_t limit,
                    LargeFile largeFile, Links links = Links::Followed,
                    struct stat* info = nullptr) {
    out.clear();
    struct stat st {};
    const OpenFile file = openRegular(dir, name, links, st);
    if (file.fd < 0) return file.failure;
    if (info) *info = st;
    out = readPastLimit(file.fd, static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), limit);
    ::close(file.fd);
    return cutToLimit(out, limit, largeFile);
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

// Where a write of `path` lands. A path that is no link is written where it is. A link is
// followed, through further links, only to a regular file, and only while every link on
// the way and the file belong to the first link's owner (the rule of the kernel's protected
// symlinks): a link of the user's to a system file is never written through, even by the
// superuser. Any other link, a dangling one included, gives nothing. `owner` is the links'
// owner, which the file must still have when it is opened.
std::optional<fs::path> writeTarget(const fs::path& path, std::optional<uid_t>& owner) {
    owner.reset();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::optional(path) : std::nullopt;
    if (!S_ISLNK(st.st_mode)) return path;
    owner = st.st_uid;
    fs::path at = path;
    // As many links as the kernel follows in one path.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        fs::path next = fs::read_symlink(at, ec);
        if (ec || next.empty()) return std::nullopt;
        if (next.is_relative()) next = at.parent_path() / next;
        if (::lstat(next.c_str(), &st) != 0 || st.st_uid != *owner) return std::nullopt;
        if (S_ISREG(st.st_mode)) return next;
        if (!S_ISLNK(st.st_mode)) return std::nullopt;
        at = next;
    }
    return std::nullopt;
}

// Creates an empty hidden temporary beside `name` in the folder `dir`, under a random name
// of its own (given in `tempName`), and returns it open for writing; -1 when none can be
// made.
int createTemporary(int dir, const std::string& name, std::string& tempName) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%08x%08x", random(), random());
        tempName = "." + name + "." + suffix;
        const int fd = ::openat(dir, tempName.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Puts `contents` in place of the file `name` of the folder `dir`: a temporary beside it,
// given the owner, group and mode the file had, then renamed over it, so the file is
// either as it was or wholly new.
void replaceFile(int dir, const std::string& name, const std::string& contents,
                 const struct stat* old) {
    std::string tempName;
    const int fd = createTemporary(dir, name, tempName);
    if (fd < 0) return;
    bool ok = writeAll(fd, contents);
    // A file of the user's rewritten by the superuser stays the user's.
    struct stat made {};
    if (ok && old &&
        (::fstat(fd, &made) != 0 || made.st_uid != old->st_uid || made.st_gid != old->st_gid))
        ok = ::fchown(fd, old->st_uid, old->st_gid) == 0;
    ok = ok && ::fchmod(fd, old ? old->st_mode & 07777 : 0600) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::renameat(dir, tempName.c_str(), dir, name.c_str()) != 0)
        ::unlinkat(dir, tempName.c_str(), 0);
}

// Whether the file `name` of the folder `dir`, as the read found it (`r`, `old`), may be
// written. A link is followed only to a file that exists and still belongs to the link's
// owner. A file that may not be written (made read-only) is not written, although replacing
// it would only need the folder to be writable; a file with no write bit at all stays as it
// is even for the superuser. A missing file may be created.
bool mayWrite(int dir, const std::string& name, ReadResult r, const struct stat& old,
              const std::optional<uid_t>& linkOwner) {
    const bool followable = !linkOwner || (r == ReadResult::Read && old.st_uid == *linkOwner);
    const bool writable = r == ReadResult::Missing ||
                          (r == ReadResult::Read && ::faccessat(dir, name.c_str(), W_OK, 0) == 0 &&
                           (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0);
    return followable && writable;
}

}  // namespace

IniSettings::IniSettings(fs::path folder) : folder_(std::move(folder)) {}

fs::path IniSettings::userConfigFolder() {
    return userBaseFolder("XDG_CONFIG_HOME", ".config");
}

fs::path IniSettings::folder() const {
    return folder_.empty() ? userConfigFolder() : folder_;
}

std::string IniSettings::read(const SettingPlace& place) {
    const auto& [fileName, section, key] = place;
    const fs::path dir = folder();
    if (dir.empty() || !plainFileName(fileName)) return {};
    std::string contents;
    if (readFile(AT_FDCWD, (dir / fileName).c_str(), contents, MaxFileSize,
                 LargeFile::FirstLines) != ReadResult::Read)
        return {};
    return ini::readValue(contents, section, key);
}

void IniSettings::write(const SettingPlace& place, const std::string& value) {
    const auto& [fileName, section, key] = place;
    const fs::path dir = folder();
    if (dir.empty() || !plainFileName(fileName)) return;
    createPrivateFolders(dir);

    // A settings file kept as a link elsewhere is replaced where it really lies, when that
    // is safe.
    std::optional<uid_t> linkOwner;
    const std::optional<fs::path> target = writeTarget(dir / fileName, linkOwner);
    if (!target) return;
    const std::string name = target->filename().string();
    if (!plainFileName(name)) return;
    // From here on everything happens in the folder opened now, even if its path is made
    // to lead elsewhere meanwhile.
    const int folderFd = ::open(target->parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return;

    std::string contents;
    struct stat old {};
    const ReadResult r = readFile(folderFd, name.c_str(), contents, MaxFileSize, LargeFile::Refused,
                                  Links::Refused, &old);
    const std::optional<std::string> updated = mayWrite(folderFd, name, r, old, linkOwner)
                                                   ? ini::writeValue(contents, section, key, value)
                                                   : std::nullopt;
    // A file that would stay the same is left untouched.
    if (updated && (r == ReadResult::Missing || *updated != contents))
        replaceFile(folderFd, name, *updated, r == ReadResult::Read ? &old : nullptr);
    ::close(folderFd);
}

}  // namespace platform
