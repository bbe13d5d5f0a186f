#include "platform/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace platform {

namespace {
const QByteArray ActivateRequest = "activate\n";
// The longest request read; a connection that sends more without a line end is dropped.
constexpr int MaxRequest = 64;
// How long the running copy waits for a connection's request before it drops it.
constexpr int RequestTimeoutMs = 1000;
// How long a later copy tries to reach the running one (connection and request each).
constexpr std::chrono::milliseconds ReachTimeout{1000};
// Connections that may wait to be accepted.
constexpr int Backlog = 50;
// The connections held open at once are at most half the descriptors the process may have
// (and never more than this), so that idle ones never leave the program without any.
constexpr rlim_t MostOpenConnections = 1024;
// After running out of descriptors the listener looks again after this pause; after losing
// its socket it makes a new one, waiting longer after each failure.
constexpr int AcceptPauseMs = 100;
constexpr int FirstRelistenMs = 100;
constexpr int LastRelistenMs = 10000;

// Whether `path` is a folder that only this user can enter and write in: a directory of this
// user's own, with no access for group or others. A link there is taken as it is, not
// followed, when `followLink` is false.
bool isPrivateFolder(const QByteArray& path, bool followLink) {
    struct stat info {};
    if ((followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info)) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 &&
           ::faccessat(AT_FDCWD, path.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Folder names are kept as the bytes the system gives, whatever their encoding.

// The user's runtime folder, when it is set, private and writable.
QByteArray runtimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.startsWith('/')) return {};
    return isPrivateFolder(runtime, true) ? runtime : QByteArray();
}

// The temporary folder: TMPDIR when it names one, else /tmp.
QByteArray temporaryFolder() {
    QByteArray folder = qgetenv("TMPDIR");
    while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return folder.startsWith('/') ? folder : QByteArrayLiteral("/tmp");
}

// A folder of the user's own under the temporary folder, made on first use with mode 0700.
// Its name can be predicted, so a folder found there is used only when it is a real
// directory (not a link), owned by this user and closed to everyone else.
QByteArray privateTemporaryFolder(const QByteArray& program) {
    QByteArray folder = temporaryFolder();
    if (!folder.endsWith('/')) folder += '/';
    folder += program + '-' + QByteArray::number(::geteuid());
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateFolder(folder, false) ? folder : QByteArray();
}

// The local socket address of `path`; false when the path is too long for one.
bool socketAddress(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    // The rest of the address stays zero, so the path ends with a NUL.
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
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

// A connection to the running copy at `address`, made within `timeout`; -1 when none could
// be made. A full queue (the running copy is stopped or busy) is waited on; a missing
// socket is looked for again, since the running copy may be about to make it. `nobody`,
// when given, tells whether the last try found no listener at all (no socket, or one that
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
        // A blocking connect waits at most the send timeout for room in the queue.
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

// The lock file. Whoever holds the lock on it is the running copy. Its path lies in a folder
// that only this user may enter, so whatever else is found there (a folder, a link, a pipe, a
// file of someone else's) was put there by this user or by the administrator, and is moved
// out of the way rather than taken as a sign that this copy runs alone.

enum class LockOutcome { Taken, HeldByAnother, Unavailable };

// How often a lock path found in the way is cleared before the lock counts as unavailable.
constexpr int LockAttempts = 4;
// How long a copy waits for another that clears the lock path at the same time.
constexpr std::chrono::milliseconds FolderLockWait{1000};

bool isOwnRegularFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

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

// Clears the lock path of what is no lock file of the user's: a folder that holds something
// is renamed aside (its contents kept), anything else removed. Copies that do this at the
// same time take turns by a lock on the folder, and each looks again once it has its turn,
// so that none moves away the lock file another has just made.
bool clearLockPath(const QByteArray& folder, const QByteArray& lockPath) {
    const int guard = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (guard < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + FolderLockWait;
    while (flockRetrying(guard, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(guard);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    bool cleared = true;
    struct stat info {};
    if (::lstat(lockPath.constData(), &info) != 0) {
        cleared = errno == ENOENT;
    } else if (S_ISDIR(info.st_mode)) {
        if (::rmdir(lockPath.constData()) != 0) {
            const QByteArray aside = lockPath + ".aside-" + QByteArray::number(info.st_ino);
            cleared = ::renameat2(AT_FDCWD, lockPath.constData(), AT_FDCWD, aside.constData(),
                                  RENAME_NOREPLACE) == 0;
        }
    } else if (!isOwnRegularFile(info)) {
        cleared = ::unlink(lockPath.constData()) == 0;
    } else if (::access(lockPath.constData(), R_OK | W_OK) != 0) {
        // The user's own lock file with its rights taken away: given back, since a running
        // copy may hold it.
        cleared = ::chmod(lockPath.constData(), 0600) == 0;
    }
    ::close(guard);  // releases the turn
    return cleared;
}

// Opens the lock file at `lockPath` (made when missing) and takes its lock without waiting.
// `fd` is the held lock file when the outcome is Taken.
LockOutcome takeLock(const QByteArray& folder, const QByteArray& lockPath, int& fd) {
    fd = -1;
    for (int attempt = 0; attempt < LockAttempts; ++attempt) {
        // Neither a link followed nor a pipe waited on; what was opened is looked at itself.
        const int lock = ::open(lockPath.constData(),
                                O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (lock < 0 && errno == EINTR) continue;
        struct stat info {};
        if (lock < 0 || ::fstat(lock, &info) != 0 || !isOwnRegularFile(info)) {
            if (lock >= 0) ::close(lock);
            if (!clearLockPath(folder, lockPath)) break;
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

// A new lock file for the running copy whose own was removed or replaced: made under a name
// of its own and locked before it appears at `lockPath`, so that no later copy can take it
// first. Gives the locked file, or -1 when the path is taken meanwhile by a lock of another.
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
    // Something lies at the path already: a lock file of no one's is taken as it is.
    int taken = -1;
    return takeLock(folder, lockPath, taken) == LockOutcome::Taken ? taken : -1;
}

// How many connections may be open at once.
std::size_t openConnectionLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return MostOpenConnections;
    return static_cast<std::size_t>(std::clamp<rlim_t>(limit.rlim_cur / 2, 8, MostOpenConnections));
}

// One accepted connection: it gets a second to send its request, then it is closed.
class Connection final : public QObject {
public:
    Connection(int fd, QObject* parent, const std::function<void()>& activation,
               std::function<void()> closed)
        : QObject(parent),
          fd_(fd),
          readable_(fd, QSocketNotifier::Read),
          activation_(activation),
          closed_(std::move(closed)) {
        QObject::connect(&readable_, &QSocketNotifier::activated, this, [this] { read(); });
        deadline_.setSingleShot(true);
        QObject::connect(&deadline_, &QTimer::timeout, this, [this] { finish(); });
        deadline_.start(RequestTimeoutMs);
    }
    ~Connection() override {
        if (fd_ >= 0) ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

private:
    void read() {
        char buffer[MaxRequest];
        for (;;) {
            const auto room = static_cast<std::size_t>(MaxRequest - received_.size());
            const ssize_t n = ::read(fd_, buffer, room);
            if (n > 0) {
                received_.append(buffer, static_cast<qsizetype>(n));
                const qsizetype end = received_.indexOf('\n');
                if (end >= 0) {
                    finish();
                    if (received_.left(end + 1) == ActivateRequest && activation_) activation_();
                    return;
                }
                if (received_.size() >= MaxRequest) break;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            break;  // the other end closed, or the connection failed
        }
        finish();
    }
    // Closes the connection now; the object goes once control is back in the event loop.
    void finish() {
        if (fd_ < 0) return;
        readable_.setEnabled(false);
        deadline_.stop();
        ::close(fd_);
        fd_ = -1;
        deleteLater();
        closed_();
    }

    int fd_;
    QSocketNotifier readable_;
    QTimer deadline_;
    const std::function<void()>& activation_;
    std::function<void()> closed_;
    QByteArray received_;
};
}  // namespace

struct LocalSingleInstance::Impl {
    QByteArray path;  // empty when there is no private folder for the socket
    QByteArray folder;
    QByteArray lockPath;
    bool ownFolder = false;  // the private folder under the temporary folder, made by us
    bool decided = false;
    bool previous = false;
    int lockFd = -1;  // held by the running copy for its whole life
    int peerFd = -1;  // a later copy's connection to the running one

    // The running copy's listener.
    int listenFd = -1;
    dev_t boundDevice = 0;  // the socket file this copy made
    ino_t boundInode = 0;
    bool bound = false;
    std::unique_ptr<QSocketNotifier> incoming;
    std::size_t openConnections = 0;
    std::size_t connectionLimit = 0;
    QTimer acceptPause;
    QTimer relisten;
    int relistenDelay = FirstRelistenMs;
    QObject connections;  // parent of the accepted connections
    std::function<void()> activation;

    // The running copy's watch on the folder, so that it notices when its socket or lock
    // file is removed or replaced, or the folder itself goes.
    int watchFd = -1;
    int watch = -1;
    std::unique_ptr<QSocketNotifier> changes;
    QTimer recheck;

    ~Impl();
    bool decideWithoutLock();
    void watchFolder();
    void readChanges();
    void keepMeetingPoint();
    bool listen();
    void stopListening();
    void removeOwnSocket();
    void acceptPending();
    // Takes connections again, unless out of descriptors a moment ago or at the limit.
    void resumeAccepting();
};

LocalSingleInstance::Impl::~Impl() {
    changes.reset();
    if (watchFd >= 0) ::close(watchFd);
    incoming.reset();
    removeOwnSocket();
    if (listenFd >= 0) ::close(listenFd);
    if (peerFd >= 0) ::close(peerFd);
    // Last, so that a copy started now finds no socket of this one.
    if (lockFd >= 0) ::close(lockFd);
}

// Without a lock to be had (the lock path could not be cleared, or no file could be made),
// the socket alone tells: a copy that listens there, or does not answer in time, runs
// already, and this one hands over to it; when nobody listens, this copy runs and listens
// itself, so that a later start without a lock finds it. It does not watch the folder: it
// holds no lock that would make the meeting point its own.
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
    listen();
    return false;
}

// Watches the folder for its socket's and lock file's names coming and going, and for the
// folder itself going. Nothing wakes the program while nothing there changes.
void LocalSingleInstance::Impl::watchFolder() {
    if (watchFd < 0) {
        watchFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watchFd < 0) return;  // without a watch, a lost socket stays lost
        changes = std::make_unique<QSocketNotifier>(watchFd, QSocketNotifier::Read);
        QObject::connect(changes.get(), &QSocketNotifier::activated, changes.get(),
                         [this] { readChanges(); });
    }
    if (watch >= 0) return;
    watch = ::inotify_add_watch(watchFd, folder.constData(),
                                IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

void LocalSingleInstance::Impl::readChanges() {
    const int slash = static_cast<int>(path.lastIndexOf('/'));
    const QByteArray socketName = path.mid(slash + 1);
    const QByteArray lockName = lockPath.mid(slash + 1);
    alignas(inotify_event) char buffer[4096];
    bool concerned = false;
    for (;;) {
        const ssize_t n = ::read(watchFd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                concerned = true;  // changes were lost: everything is looked at
                continue;
            }
            if (event->wd != watch) continue;
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                // The folder went (or was moved away): it is watched anew where it belongs.
                if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(watchFd, watch);
                watch = -1;
                concerned = true;
                continue;
            }
            const QByteArray name(event->len > 0 ? event->name : "");
            if (name == socketName || name == lockName) concerned = true;
        }
    }
    // Once the burst of changes has been read, the meeting point is put right in one go.
    if (concerned && !recheck.isActive()) recheck.start(0);
}

// The running copy keeps its meeting point: the folder (made anew when it is the private
// folder under the temporary folder), the lock file at its path and its own socket
// listening there. Whatever took their place is not another copy's: this copy holds the lock.
void LocalSingleInstance::Impl::keepMeetingPoint() {
    if (lockFd < 0) return;
    if (ownFolder) ::mkdir(folder.constData(), 0700);
    if (!isPrivateFolder(folder, !ownFolder)) {
        // No safe folder at the path any more: this copy runs on without being found.
        stopListening();
        relisten.stop();
        return;
    }
    watchFolder();

    struct stat held {
    }, found{};
    if (::fstat(lockFd, &held) != 0 || ::lstat(lockPath.constData(), &found) != 0 ||
        !sameFile(held, found)) {
        const int lock = remakeLock(folder, lockPath);
        if (lock >= 0) {
            ::close(lockFd);
            lockFd = lock;
        }
    }

    struct stat socket {};
    const bool inPlace = listenFd >= 0 && bound && ::lstat(path.constData(), &socket) == 0 &&
                         S_ISSOCK(socket.st_mode) && socket.st_dev == boundDevice &&
                         socket.st_ino == boundInode;
    if (inPlace || relisten.isActive()) return;
    stopListening();
    if (!listen()) relisten.start(relistenDelay);
}

bool LocalSingleInstance::Impl::listen() {
    sockaddr_un address{};
    if (!socketAddress(path, address)) return false;
    // Only the lock holder comes here: whatever lies at the path was left by a copy that
    // ended.
    ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    struct stat info {};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::lstat(path.constData(), &info) != 0) {
        ::close(fd);
        return false;
    }
    boundDevice = info.st_dev;
    boundInode = info.st_ino;
    bound = true;
    ::chmod(path.constData(), 0600);  // the user's alone, as is the folder it lies in
    if (::listen(fd, Backlog) != 0) {
        ::close(fd);
        removeOwnSocket();
        return false;
    }
    listenFd = fd;
    incoming = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(incoming.get(), &QSocketNotifier::activated, incoming.get(),
                     [this] { acceptPending(); });
    relistenDelay = FirstRelistenMs;
    connectionLimit = openConnectionLimit();
    resumeAccepting();
    return true;
}

void LocalSingleInstance::Impl::resumeAccepting() {
    if (incoming && listenFd >= 0)
        incoming->setEnabled(!acceptPause.isActive() && openConnections < connectionLimit);
}

void LocalSingleInstance::Impl::stopListening() {
    acceptPause.stop();
    if (incoming) incoming->setEnabled(false);
    if (listenFd >= 0) ::close(listenFd);
    listenFd = -1;
    removeOwnSocket();
}

// Removes the socket file only while it is the one this copy made: a socket put there by
// anyone else since is left alone.
void LocalSingleInstance::Impl::removeOwnSocket() {
    if (!bound) return;
    bound = false;
    struct stat info {};
    if (::lstat(path.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
        info.st_dev == boundDevice && info.st_ino == boundInode)
        ::unlink(path.constData());
}

void LocalSingleInstance::Impl::acceptPending() {
    for (;;) {
        if (openConnections >= connectionLimit) {
            // The others wait in the queue until idle ones have been dropped.
            resumeAccepting();
            return;
        }
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            ++openConnections;
            new Connection(fd, &connections, activation, [this] {
                --openConnections;
                resumeAccepting();
            });
            continue;
        }
        switch (errno) {
            case EAGAIN:
#if EAGAIN != EWOULDBLOCK
            case EWOULDBLOCK:
#endif
                return;
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
                continue;
            case EMFILE:
            case ENFILE:
            case ENOBUFS:
            case ENOMEM:
                // Out of descriptors: the waiting connections stay queued, and are taken
                // once idle ones have been dropped.
                incoming->setEnabled(false);
                acceptPause.start(AcceptPauseMs);
                return;
            default:
                // The listening socket itself failed: make a new one.
                stopListening();
                relisten.start(relistenDelay);
                return;
        }
    }
}

LocalSingleInstance::LocalSingleInstance(const std::string& programName)
    : d_(std::make_unique<Impl>()) {
    const QByteArray program = QByteArray::fromStdString(programName);
    // In the user's runtime folder when it is usable, else in a private folder of the
    // user's under the temporary folder.
    QByteArray folder = runtimeFolder();
    if (folder.isEmpty()) {
        folder = privateTemporaryFolder(program);
        d_->ownFolder = true;
    }
    if (!folder.isEmpty()) {
        d_->folder = folder;
        d_->path = folder + '/' + program + ".instance";
        d_->lockPath = d_->path + ".lock";
    }
    d_->recheck.setSingleShot(true);
    QObject::connect(&d_->recheck, &QTimer::timeout, &d_->recheck,
                     [this] { d_->keepMeetingPoint(); });
    d_->acceptPause.setSingleShot(true);
    QObject::connect(&d_->acceptPause, &QTimer::timeout, &d_->acceptPause,
                     [this] { d_->resumeAccepting(); });
    d_->relisten.setSingleShot(true);
    QObject::connect(&d_->relisten, &QTimer::timeout, &d_->relisten, [this] {
        if (d_->listen()) return;
        d_->relistenDelay = std::min(d_->relistenDelay * 2, LastRelistenMs);
        d_->relisten.start(d_->relistenDelay);
    });
}

LocalSingleInstance::~LocalSingleInstance() = default;

std::string LocalSingleInstance::serverName() const {
    return d_->path.toStdString();
}

bool LocalSingleInstance::previousInstance() {
    if (d_->decided) return d_->previous;
    d_->decided = true;
    d_->previous = false;
    // Without a private folder there is no safe place to meet: this copy runs alone.
    if (d_->path.isEmpty()) return false;

    int lock = -1;
    switch (takeLock(d_->folder, d_->lockPath, lock)) {
        case LockOutcome::Taken:
            d_->lockFd = lock;
            d_->listen();  // when even that fails, this copy runs without being found
            d_->watchFolder();
            return false;
        case LockOutcome::Unavailable:
            d_->previous = d_->decideWithoutLock();
            return d_->previous;
        case LockOutcome::HeldByAnother:
            break;
    }

    // Another copy runs. It is asked to come forward when it can be reached in time; this
    // copy ends either way.
    d_->previous = true;
    sockaddr_un address{};
    if (socketAddress(d_->path, address)) {
        const int fd = connectWithin(address, ReachTimeout);
        // A listener of another user is no copy of this program's.
        if (fd >= 0 && peerIsThisUser(fd))
            d_->peerFd = fd;
        else if (fd >= 0)
            ::close(fd);
    }
    return true;
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
    d_->activation = std::move(handler);
}

}  // namespace platform
