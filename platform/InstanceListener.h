#pragma once

// The running copy's end of the local socket where later copies ask it to come forward.
// Qt's own local server is not used, since it deletes its socket file whenever it stops.

#include <sys/types.h>

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <memory>

class QSocketNotifier;
struct sockaddr_un;

namespace platform {

// What a later copy sends to ask the running one to come forward.
inline const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");

// Fills `address` with the local socket address of `path`; false when the path is too long
// for one.
bool socketAddress(const QByteArray& path, sockaddr_un& address);

class InstanceListener final {
public:
    explicit InstanceListener(QByteArray path);
    ~InstanceListener();
    InstanceListener(const InstanceListener&) = delete;
    InstanceListener& operator=(const InstanceListener&) = delete;

    // `handler` runs, from the event loop, for each connection that sends ActivateRequest.
    void setActivationHandler(std::function<void()> handler);

    // Makes the socket and listens on it; false when it could not. Whatever lies at the path
    // is removed first, so this is only for a copy that knows nobody listens there: the one
    // that holds the lock, or one that found no listener.
    bool listen();
    // Listens again when the socket at the path is no longer the one this listener made:
    // at once, and when that fails, again after pauses that grow with each failure.
    void keepListening();
    // Stops listening for good: removes its socket and makes no new one.
    void close();

private:
    bool ownSocketInPlace() const;
    void stopListening();
    void removeOwnSocket();
    void retryListening();
    void acceptPending();
    bool acceptFailed(int error);
    void resumeAccepting();

    QByteArray path_;
    int fd_ = -1;
    // The socket file this listener made, told apart from one put there since.
    bool bound_ = false;
    dev_t boundDevice_ = 0;
    ino_t boundInode_ = 0;
    std::unique_ptr<QSocketNotifier> incoming_;
    std::size_t openConnections_ = 0;
    std::size_t connectionLimit_ = 0;
    QTimer acceptPause_;
    QTimer relisten_;
    int relistenDelayMs_;
    std::function<void()> activation_;
    QObject connections_;  // parent of the accepted connections
};

}  // namespace platform
