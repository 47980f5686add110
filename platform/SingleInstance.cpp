#include "platform/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr int kConnectMs = 1000;
constexpr int kNoLockFile = 1 << 30;  // primary without a lock file (never a real descriptor)
const QByteArray kShowRequest = "show\n";
}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent) {
    if (name.contains(QLatin1Char('/'))) {
        name_ = name;
    } else {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        name_ = dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
    }
}

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::Listen() {
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

bool SingleInstance::Acquire(bool askToShow) {
    if (lockFd_ >= 0) return true;
    // The lock decides: the system drops it with its holder, so a crashed instance never blocks
    // a later start, and two starts at once never both go on.
    const QByteArray lockPath = QFile::encodeName(name_ + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lockFd_ = fd;
        // A name left by an ended instance is replaced.
        QLocalServer::removeServer(name_);
        Listen();
        return true;
    }
    if (fd >= 0) ::close(fd);
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(kConnectMs)) {
        if (askToShow) {
            socket.write(kShowRequest);
            socket.waitForBytesWritten(kConnectMs);
        }
        socket.disconnectFromServer();
        return false;
    }
    if (fd >= 0) return false;  // the holder of the lock is still starting
    // No lock file can be made: the local server alone decides.
    QLocalServer::removeServer(name_);
    if (!Listen()) return false;
    lockFd_ = kNoLockFile;
    return true;
}

void SingleInstance::Release() {
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
    if (lockFd_ >= 0 && lockFd_ != kNoLockFile) ::close(lockFd_);
    lockFd_ = -1;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto done = std::make_shared<bool>(false);
        auto handle = [this, socket, done] {
            if (*done) return;
            if (!socket->canReadLine() && socket->state() == QLocalSocket::ConnectedState) return;
            *done = true;
            const QByteArray line = socket->readLine();
            socket->disconnectFromServer();
            socket->deleteLater();
            if (line == kShowRequest && onShow_) onShow_();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        connect(socket, &QLocalSocket::disconnected, this, handle);
        if (socket->bytesAvailable() > 0) handle();
    }
}
