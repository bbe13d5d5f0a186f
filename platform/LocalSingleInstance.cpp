#include "platform/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QObject>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/FolderWatch.h"
#include "platform/InstanceListener.h"
#include "platform/PrivateFolder.h"

namespace platform {

namespace {
// How long a later copy tries to reach the running one (connection and request each).
constexpr std::chrono::milliseconds ReachTimeout{1000};

// The result of trying to take the lock. Whoever holds the flock on the lock file is the
// running copy; the kernel drops it when that process ends, however it ends.
enum class LockOutcome { Taken, HeldByAnother, Unavailable };

// How many times something in the way is cleared from the lock path before this copy
// gives up on the lock.
constexpr int LockAttempts = 4;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int flockRetrying(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Opens the lock file at `lockPath`, making it when missing, and takes its lock without
// waiting. Sets `fd` to the locked file when the outcome is Taken.
LockOutcome takeLock(const QByteArray& folder, const QByteArray& lockPath, int& fd) {
    fd = -1;
    for (int attempt = 0; attempt < LockAttempts; ++attempt) {
        // O_NOFOLLOW and O_NONBLOCK: a link is not followed, and a pipe does not block the
        // open. Whatever was opened is then checked to be a regular file of the user's.
        const int lock = ::open(lockPath.constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (lock < 0 && errno == EINTR) continue;
        struct stat info {};
        if (lock < 0 || ::fstat(lock, &info) != 0 || !isOwnRegularFile(info)) {
            if (lock >= 0) ::close(lock);
            if (!clearPathForFile(folder, lockPath)) break;
            continue;
        }
        if (flockRetrying(lock, LOCK_EX | LOCK_NB) == 0) {
            fd = lock;
            return LockOutcome::Taken;
        }
        const bool held = errno == EWOULDBLOCK;
        ::close(lock);
        return held ? LockOutcome::HeldByAnother : LockOutcome::Unavailable;
    }
    return LockOutcome::Unavailable;
}

// Makes a new lock file for a running copy whose lock file was removed or replaced. The file
// is made under a temporary name and locked before it is linked to `lockPath`, so that no
// later copy can take its lock first. Gives the locked file, or -1 when another copy's lock
// file took the path meanwhile.
int remakeLock(const QByteArray& folder, const QByteArray& lockPath) {
    const QByteArray fresh = lockPath + ".new-" + QByteArray::number(::getpid());
    ::unlink(fresh.constData());
    const int lock = ::open(fresh.constData(),
                            O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (lock >= 0) {
        const bool placed = flockRetrying(lock, LOCK_EX | LOCK_NB) == 0 &&
                            ::link(fresh.constData(), lockPath.constData()) == 0;
        ::unlink(fresh.constData());
        if (placed) return lock;
        ::close(lock);
    }
    // Something lies at the path already: when it is a lock file nobody holds, it is used.
    int taken = -1;
    return takeLock(folder, lockPath, taken) == LockOutcome::Taken ? taken : -1;
}

// Whether the process at the other end of a connected local socket runs as this user.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof(peer) &&
           peer.uid == ::geteuid();
}

void setSendTimeout(int fd, std::chrono::steady_clock::duration timeout) {
    const auto us = std::max<long long>(
        1, std::chrono::duration_cast<std::chrono::microseconds>(timeout).count());
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(us / 1000000);
    tv.tv_usec = static_cast<suseconds_t>(us % 1000000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

// Connects to the running copy at `address` within `timeout`; -1 when no connection could
// be made. A full queue (the running copy is stopped or busy) is waited on, and a missing
// socket is looked for again, since the running copy may be about to make it. `nobody`,
// when given, is set when the last try found no listener at all (no socket, or one that
// nobody listens on) rather than one that did not answer in time.
int connectWithin(const sockaddr_un& address, std::chrono::steady_clock::duration timeout,
                  bool* nobody = nullptr) {
    if (nobody) *nobody = false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) break;
        // A blocking connect waits for room in the queue at most as long as the send timeout.
        setSendTimeout(fd, left);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
            return fd;
        if (errno == EINTR) continue;
        const bool absent = errno == ENOENT || errno == ECONNREFUSED;
        if (nobody) *nobody = absent;
        if (!absent) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd);
    return -1;
}

QByteArray fileName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray socketPath(const PrivateFolder& folder, const QByteArray& program) {
    return folder.path.isEmpty() ? QByteArray() : folder.path + '/' + program + ".instance";
}
}  // namespace

struct LocalSingleInstance::Impl {
    explicit Impl(const QByteArray& program);
    ~Impl();
    bool decide();
    bool decideWithoutLock();
    void connectToRunningCopy();
    void keepMeetingPoint();
    void keepLockFile();

    PrivateFolder folder;
    QByteArray path;  // the socket; empty when there is no private folder
    QByteArray lockPath;
    bool decided = false;
    bool previous = false;
    int lockFd = -1;  // held by the running copy for its whole life
    int peerFd = -1;  // a later copy's connection to the running one
    InstanceListener listener;
    // Lets the running copy notice when its socket or lock file is removed or replaced, or
    // the folder itself goes.
    FolderWatch watch;
};

LocalSingleInstance::Impl::Impl(const QByteArray& program)
    : folder(PrivateFolder::find(program)),
      path(socketPath(folder, program)),
      lockPath(path.isEmpty() ? QByteArray() : path + ".lock"),
      listener(path),
      watch(folder.path, {fileName(path), fileName(lockPath)}, [this] { keepMeetingPoint(); }) {}

LocalSingleInstance::Impl::~Impl() {
    watch.stop();
    listener.close();
    if (peerFd >= 0) ::close(peerFd);
    // The lock goes last, so that a copy that starts now finds no socket of this one.
    if (lockFd >= 0) ::close(lockFd);
}

bool LocalSingleInstance::Impl::decide() {
    // Without a private folder there is no safe place to meet: this copy runs alone.
    if (path.isEmpty()) return false;
    int lock = -1;
    switch (takeLock(folder.path, lockPath, lock)) {
        case LockOutcome::Taken:
            lockFd = lock;
            listener.listen();  // when even that fails, this copy runs without being found
            watch.start();
            return false;
        case LockOutcome::Unavailable:
            return decideWithoutLock();
        case LockOutcome::HeldByAnother:
            break;
    }
    // Another copy runs. It is asked to come forward if it can be reached in time; this copy
    // ends either way.
    connectToRunningCopy();
    return true;
}

// When no lock can be had (the lock path could not be cleared, or no file made there), the
// socket decides instead. A copy that listens there, or does not answer in time, is already
// running, and this one hands over to it. When nobody listens, this copy runs and listens
// itself, so that a later start without a lock finds it. It does not watch the folder:
// without the lock it has no claim to the socket's path.
bool LocalSingleInstance::Impl::decideWithoutLock() {
    sockaddr_un address{};
    if (!socketAddress(path, address)) return false;
    bool nobody = false;
    const int fd = connectWithin(address, ReachTimeout, &nobody);
    if (fd >= 0 && peerIsThisUser(fd)) {
        peerFd = fd;
        return true;
    }
    if (fd >= 0) {
        ::close(fd);  // another user's listener: no copy of this program's
        return false;
    }
    if (!nobody) return true;
    listener.listen();
    return false;
}

void LocalSingleInstance::Impl::connectToRunningCopy() {
    sockaddr_un address{};
    if (!socketAddress(path, address)) return;
    const int fd = connectWithin(address, ReachTimeout);
    // A listener of another user is no copy of this program's.
    if (fd >= 0 && peerIsThisUser(fd))
        peerFd = fd;
    else if (fd >= 0)
        ::close(fd);
}

// After a change in the folder, the running copy puts back what later copies look for: the
// folder, the lock file and its listening socket. This copy holds the lock, so whatever took
// their place belongs to no other copy.
void LocalSingleInstance::Impl::keepMeetingPoint() {
    if (lockFd < 0) return;
    if (!folder.keep()) {
        // No safe folder at the path any more: this copy runs on without being found.
        listener.close();
        return;
    }
    watch.start();
    keepLockFile();
    listener.keepListening();
}

// Makes a new lock file when the one at the path is no longer the one this copy holds.
void LocalSingleInstance::Impl::keepLockFile() {
    struct stat held {
    }, found{};
    if (::fstat(lockFd, &held) == 0 && ::lstat(lockPath.constData(), &found) == 0 &&
        sameFile(held, found))
        return;
    const int lock = remakeLock(folder.path, lockPath);
    if (lock < 0) return;
    ::close(lockFd);
    lockFd = lock;
}

LocalSingleInstance::LocalSingleInstance(const std::string& programName)
    : d_(std::make_unique<Impl>(QByteArray::fromStdString(programName))) {}

LocalSingleInstance::~LocalSingleInstance() = default;

std::string LocalSingleInstance::serverName() const {
    return d_->path.toStdString();
}

bool LocalSingleInstance::previousInstance() {
    if (d_->decided) return d_->previous;
    d_->decided = true;
    d_->previous = d_->decide();
    return d_->previous;
}

void LocalSingleInstance::activatePrevious() {
    if (d_->peerFd < 0) return;
    setSendTimeout(d_->peerFd, ReachTimeout);
    qsizetype sent = 0;
    while (sent < ActivateRequest.size()) {
        const ssize_t n =
            ::send(d_->peerFd, ActivateRequest.constData() + sent,
                   static_cast<std::size_t>(ActivateRequest.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += n;
    }
    ::close(d_->peerFd);
    d_->peerFd = -1;
}

void LocalSingleInstance::setActivationHandler(std::function<void()> handler) {
    d_->listener.setActivationHandler(std::move(handler));
}

}  // namespace platform
