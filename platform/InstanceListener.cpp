#include "platform/InstanceListener.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {
// The longest request read; a connection that sends more without a line end is dropped.
constexpr int MaxRequest = 64;
// How long a connection has to send its request before it is dropped.
constexpr int RequestTimeoutMs = 1000;
// Connections that may wait to be accepted.
constexpr int Backlog = 50;
// At most half the descriptors the process may have (and never more than this) are spent on
// open connections, so that idle ones never leave the program without any.
constexpr rlim_t MostOpenConnections = 1024;
// After running out of descriptors the listener tries to accept again after this pause.
constexpr int AcceptPauseMs = 100;
// After losing its socket it makes a new one, doubling the pause after each failure.
constexpr int FirstRelistenMs = 100;
constexpr int LastRelistenMs = 10000;

std::size_t openConnectionLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return MostOpenConnections;
    return static_cast<std::size_t>(std::clamp<rlim_t>(limit.rlim_cur / 2, 8, MostOpenConnections));
}

// One accepted connection. It has a second to send its request, then it is closed.
class Connection final : public QObject {
public:
    Connection(int fd, QObject* parent, const std::function<void()>& activation,
               std::function<void()> closed);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

private:
    void read();
    void finish();

    int fd_;
    QSocketNotifier readable_;
    QTimer deadline_;
    const std::function<void()>& activation_;
    std::function<void()> closed_;
    QByteArray received_;
};

Connection::Connection(int fd, QObject* parent, const std::function<void()>& activation,
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

Connection::~Connection() {
    if (fd_ >= 0) ::close(fd_);
}

// Reads what has arrived. The first line decides; the connection is closed once it is in,
// once more than MaxRequest bytes came without one, or when the other end goes.
void Connection::read() {
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

// Closes the descriptor at once, so that it counts no more against the limit; the object
// itself is deleted once control is back in the event loop.
void Connection::finish() {
    if (fd_ < 0) return;
    readable_.setEnabled(false);
    deadline_.stop();
    ::close(fd_);
    fd_ = -1;
    deleteLater();
    closed_();
}
}  // namespace

bool socketAddress(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    // The rest of the address stays zero, so the path ends with a NUL.
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

InstanceListener::InstanceListener(QByteArray path)
    : path_(std::move(path)), relistenDelayMs_(FirstRelistenMs) {
    acceptPause_.setSingleShot(true);
    QObject::connect(&acceptPause_, &QTimer::timeout, &acceptPause_, [this] { resumeAccepting(); });
    relisten_.setSingleShot(true);
    QObject::connect(&relisten_, &QTimer::timeout, &relisten_, [this] { retryListening(); });
}

InstanceListener::~InstanceListener() {
    incoming_.reset();
    removeOwnSocket();
    if (fd_ >= 0) ::close(fd_);
}

void InstanceListener::setActivationHandler(std::function<void()> handler) {
    activation_ = std::move(handler);
}

bool InstanceListener::listen() {
    sockaddr_un address{};
    if (!socketAddress(path_, address)) return false;
    ::unlink(path_.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    struct stat info {};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::lstat(path_.constData(), &info) != 0) {
        ::close(fd);
        return false;
    }
    boundDevice_ = info.st_dev;
    boundInode_ = info.st_ino;
    bound_ = true;
    ::chmod(path_.constData(), 0600);  // the user's alone, as is the folder it lies in
    if (::listen(fd, Backlog) != 0) {
        ::close(fd);
        removeOwnSocket();
        return false;
    }
    fd_ = fd;
    incoming_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(incoming_.get(), &QSocketNotifier::activated, incoming_.get(),
                     [this] { acceptPending(); });
    relistenDelayMs_ = FirstRelistenMs;
    connectionLimit_ = openConnectionLimit();
    resumeAccepting();
    return true;
}

void InstanceListener::keepListening() {
    if (ownSocketInPlace() || relisten_.isActive()) return;
    stopListening();
    if (!listen()) relisten_.start(relistenDelayMs_);
}

void InstanceListener::close() {
    stopListening();
    relisten_.stop();
}

// Whether this listener listens, and the socket at the path is still the one it made.
bool InstanceListener::ownSocketInPlace() const {
    struct stat info {};
    return fd_ >= 0 && bound_ && ::lstat(path_.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_dev == boundDevice_ && info.st_ino == boundInode_;
}

void InstanceListener::stopListening() {
    acceptPause_.stop();
    if (incoming_) incoming_->setEnabled(false);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    removeOwnSocket();
}

// Removes the socket file only while it is the one this listener made: one that anyone put
// there since is left alone.
void InstanceListener::removeOwnSocket() {
    if (!bound_) return;
    bound_ = false;
    struct stat info {};
    if (::lstat(path_.constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
        info.st_dev == boundDevice_ && info.st_ino == boundInode_)
        ::unlink(path_.constData());
}

void InstanceListener::retryListening() {
    if (listen()) return;
    relistenDelayMs_ = std::min(relistenDelayMs_ * 2, LastRelistenMs);
    relisten_.start(relistenDelayMs_);
}

// Accepts the waiting connections, as many as the limit allows; the others stay queued until
// connections have closed.
void InstanceListener::acceptPending() {
    while (openConnections_ < connectionLimit_) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (acceptFailed(errno)) continue;
            return;
        }
        ++openConnections_;
        new Connection(fd, &connections_, activation_, [this] {
            --openConnections_;
            resumeAccepting();
        });
    }
    resumeAccepting();
}

// Deals with a failed accept; true when the next connection may be taken at once.
bool InstanceListener::acceptFailed(int error) {
    switch (error) {
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            return true;
        case EAGAIN:
#if EAGAIN != EWOULDBLOCK
        case EWOULDBLOCK:
#endif
            return false;  // none is waiting
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            // Out of descriptors: the waiting connections stay queued, and are taken after
            // a pause, by when idle ones may have been dropped.
            incoming_->setEnabled(false);
            acceptPause_.start(AcceptPauseMs);
            return false;
        default:
            // The listening socket itself failed: a new one is made.
            stopListening();
            relisten_.start(relistenDelayMs_);
            return false;
    }
}

// Takes connections again, unless out of descriptors a moment ago or at the limit.
void InstanceListener::resumeAccepting() {
    if (incoming_ && fd_ >= 0)
        incoming_->setEnabled(!acceptPause_.isActive() && openConnections_ < connectionLimit_);
}

}  // namespace platform
