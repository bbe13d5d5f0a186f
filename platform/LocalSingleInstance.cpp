#include "platform/LocalSingleInstance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <cerrno>

namespace platform {

namespace {
const QByteArray ActivateRequest = "activate\n";

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

// The user's runtime folder, when it is set, private and writable.
QString runtimeFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) return {};
    return isPrivateFolder(QFile::encodeName(runtime), true) ? runtime : QString();
}

// A folder of the user's own under the temporary folder, made on first use with mode 0700.
// Its name can be predicted, so a folder found there is used only when it is a real
// directory (not a link), owned by this user and closed to everyone else.
QString privateTemporaryFolder(const QString& program) {
    const QString folder =
        QDir::tempPath() + QLatin1Char('/') + program + QStringLiteral("-%1").arg(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
    return isPrivateFolder(path, false) ? folder : QString();
}

// Whether the process at the other end of a connected local socket runs as this user.
bool peerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    const int fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof(peer) && peer.uid == ::geteuid();
}
}  // namespace

struct LocalSingleInstance::Impl {
    QString name;  // empty when there is no private folder for the socket
    bool decided = false;
    bool previous = false;
    QLocalServer server;
    std::unique_ptr<QLocalSocket> peer;
    std::function<void()> activation;

    void accept();
};

void LocalSingleInstance::Impl::accept() {
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (!socket->canReadLine() && socket->bytesAvailable() < ActivateRequest.size()) return;
            const QByteArray request = socket->readLine(64);
            if (request == ActivateRequest && activation) activation();
            socket->disconnectFromServer();
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

LocalSingleInstance::LocalSingleInstance(const std::string& programName) : d_(std::make_unique<Impl>()) {
    const QString program = QString::fromStdString(programName);
    // In the user's runtime folder when it is usable, else in a private folder of the
    // user's under the temporary folder.
    QString folder = runtimeFolder();
    if (folder.isEmpty()) folder = privateTemporaryFolder(program);
    if (!folder.isEmpty())
        d_->name = folder + QLatin1Char('/') + program + QStringLiteral(".instance");
    QObject::connect(&d_->server, &QLocalServer::newConnection, &d_->server, [this] { d_->accept(); });
}

LocalSingleInstance::~LocalSingleInstance() {
    if (d_->server.isListening()) d_->server.close();  // removes the socket
}

std::string LocalSingleInstance::serverName() const { return d_->name.toStdString(); }

bool LocalSingleInstance::previousInstance() {
    if (d_->decided) return d_->previous;
    d_->decided = true;
    d_->previous = false;
    // Without a private folder there is no safe place to meet: this copy runs alone.
    if (d_->name.isEmpty()) return false;

    // Two copies started together take turns here, so only one of them starts listening.
    QLockFile lock(d_->name + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    lock.tryLock(2000);

    auto probe = std::make_unique<QLocalSocket>();
    probe->connectToServer(d_->name);
    if (probe->waitForConnected(1000)) {
        // A listener of another user is no copy of this program's.
        if (peerIsThisUser(*probe)) {
            d_->peer = std::move(probe);
            d_->previous = true;
            return true;
        }
        probe->abort();
    }
    // Nobody of this user answers: whatever socket lies there was left by a copy that ended.
    QLocalServer::removeServer(d_->name);
    d_->server.setSocketOptions(QLocalServer::UserAccessOption);
    d_->server.listen(d_->name);  // when even that fails, this copy simply runs alone
    return false;
}

void LocalSingleInstance::activatePrevious() {
    if (!d_->peer || d_->peer->state() != QLocalSocket::ConnectedState) return;
    d_->peer->write(ActivateRequest);
    d_->peer->waitForBytesWritten(1000);
    d_->peer->disconnectFromServer();
}

void LocalSingleInstance::setActivationHandler(std::function<void()> handler) {
    d_->activation = std::move(handler);
}

}  // namespace platform
