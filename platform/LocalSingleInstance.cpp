#include "platform/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
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
// socket is looked for again, since the running copy may be about to make it.
int connectWithin(const sockaddr_un& address, std::chrono::steady_clock::duration timeout) {
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
        if (errno != ENOENT && errno != ECONNREFUSED) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd);
    return -1;
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

    ~Impl();
    bool listen();
    void stopListening();
    void removeOwnSocket();
    void acceptPending();
    // Takes connections again, unless out of descriptors a moment ago or at the limit.
    void resumeAccepting();
};

LocalSingleInstance::Impl::~Impl() {
    incoming.reset();
    removeOwnSocket();
    if (listenFd >= 0) ::close(listenFd);
    if (peerFd >= 0) ::close(peerFd);
    // Last, so that a copy started now finds no socket of this one.
    if (lockFd >= 0) ::close(lockFd);
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
    if (folder.isEmpty()) folder = privateTemporaryFolder(program);
    if (!folder.isEmpty()) d_->path = folder + '/' + program + ".instance";
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

    const QByteArray lockPath = d_->path + ".lock";
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) return false;  // no lock to be had: this copy runs alone
    int locked;
    do {
        locked = ::flock(lock, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        d_->lockFd = lock;
        d_->listen();  // when even that fails, this copy runs without being found
        return false;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(lock);
    if (!held) return false;

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
