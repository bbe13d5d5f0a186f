#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace platform {

namespace {
// How long a copy waits for another that is clearing a path in the same folder.
constexpr std::chrono::milliseconds FolderTurnWait{1000};

// Whether `path` is a directory of this user's own, closed to group and others, that this
// user can enter and write in. With `followLink` false, a link at the path is looked at
// itself and so never counts.
bool isPrivateFolder(const QByteArray& path, bool followLink) {
    struct stat info {};
    if ((followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info)) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 &&
           ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// XDG_RUNTIME_DIR, when it is an absolute path to a private folder.
QByteArray runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.startsWith('/')) return {};
    return isPrivateFolder(runtime, true) ? runtime : QByteArray();
}

// TMPDIR without its trailing slashes when it is an absolute path, else /tmp.
QByteArray temporaryFolder() {
    QByteArray folder = qgetenv("TMPDIR");
    while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return folder.startsWith('/') ? folder : QByteArrayLiteral("/tmp");
}

// PROGRAM-UID under the temporary folder, made when missing. Anyone can guess that name and
// make it first, so what is found there is used only when it is a real directory (not a
// link) of this user's, closed to everyone else.
QByteArray privateTemporaryFolder(const QByteArray& program) {
    QByteArray folder = temporaryFolder();
    if (!folder.endsWith('/')) folder += '/';
    folder += program + '-' + QByteArray::number(::geteuid());
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateFolder(folder, false) ? folder : QByteArray();
}

// Copies that clear a path at the same time take turns by a lock on the folder: waits for
// this copy's turn, at most FolderTurnWait. Closing `folder` ends the turn.
bool waitForTurn(int folder) {
    const auto deadline = std::chrono::steady_clock::now() + FolderTurnWait;
    for (;;) {
        if (::flock(folder, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Removes or renames aside what lies at `path`; see clearPathForFile.
bool clearPath(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) return errno == ENOENT;
    if (S_ISDIR(info.st_mode)) {
        if (::rmdir(path.constData()) == 0) return true;
        const QByteArray aside = path + ".aside-" + QByteArray::number(info.st_ino);
        return ::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, aside.constData(),
                           RENAME_NOREPLACE) == 0;
    }
    if (!isOwnRegularFile(info)) return ::unlink(path.constData()) == 0;
    if (::access(path.constData(), R_OK | W_OK) != 0) return ::chmod(path.constData(), 0600) == 0;
    return true;
}
}  // namespace

PrivateFolder PrivateFolder::find(const QByteArray& program) {
    PrivateFolder folder{runtimeFolder(), false};
    if (folder.path.isEmpty()) folder = {privateTemporaryFolder(program), true};
    return folder;
}

bool PrivateFolder::keep() const {
    if (madeByProgram) ::mkdir(path.constData(), 0700);
    return isPrivateFolder(path, !madeByProgram);
}

bool isOwnRegularFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// The path is looked at again once this copy has its turn, so that it never clears away the
// file another copy has just made there.
bool clearPathForFile(const QByteArray& folder, const QByteArray& path) {
    const int guard = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (guard < 0) return false;
    const bool cleared = waitForTurn(guard) && clearPath(path);
    ::close(guard);
    return cleared;
}

}  // namespace platform
