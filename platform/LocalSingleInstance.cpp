#include "platform/LocalSingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace platform {

namespace {
const QByteArray ActivateRequest = "activate\n";
}

struct LocalSingleInstance::Impl {
    QString name;
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
    // In the user's runtime folder when there is one (private to the user), else in the
    // temporary folder under a name that carries the user's id.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QDir::isAbsolutePath(runtime))
        d_->name = runtime + QLatin1Char('/') + program + QStringLiteral(".instance");
    else
        d_->name = QDir::tempPath() + QLatin1Char('/') + program + QStringLiteral("-%1.instance").arg(::getuid());
    QObject::connect(&d_->server, &QLocalServer::newConnection, &d_->server, [this] { d_->accept(); });
}

LocalSingleInstance::~LocalSingleInstance() {
    if (d_->server.isListening()) d_->server.close();  // removes the socket
}

std::string LocalSingleInstance::serverName() const { return d_->name.toStdString(); }

bool LocalSingleInstance::previousInstance() {
    if (d_->decided) return d_->previous;
    d_->decided = true;

    // Two copies started together take turns here, so only one of them starts listening.
    QLockFile lock(d_->name + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    lock.tryLock(2000);

    auto probe = std::make_unique<QLocalSocket>();
    probe->connectToServer(d_->name);
    if (probe->waitForConnected(1000)) {
        d_->peer = std::move(probe);
        d_->previous = true;
        return true;
    }
    // Nobody answers: whatever socket lies there was left by a copy that ended.
    QLocalServer::removeServer(d_->name);
    d_->server.setSocketOptions(QLocalServer::UserAccessOption);
    d_->server.listen(d_->name);  // when even that fails, this copy simply runs alone
    d_->previous = false;
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
