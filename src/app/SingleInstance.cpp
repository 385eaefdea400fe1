#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray kActivateRequest = QByteArrayLiteral("show\n");

QString DefaultDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        // One folder per user: a lock of another user's copy in a shared folder would keep this
        // user's from starting.
        dir = QDir::tempPath() + QStringLiteral("/tavrin-%1").arg(::getuid());
        ::mkdir(QFile::encodeName(dir).constData(), 0700);
    }
    return dir;
}
} // namespace

TSingleInstance::TSingleInstance(const QString& name, const QString& directory, QObject* parent)
    : QObject(parent), name_(name),
      directory_(directory.isEmpty() ? DefaultDirectory() : directory) {}

TSingleInstance::~TSingleInstance() {
    if (server_) {
        server_->close();
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_); // releases the lock
    }
}

QString TSingleInstance::LockPath() const {
    return directory_ + QStringLiteral("/") + name_ + ".lock";
}

QString TSingleInstance::SocketPath() const {
    return directory_ + QStringLiteral("/") + name_ + ".socket";
}

bool TSingleInstance::TryAcquire() {
    if (lockFd_ >= 0) {
        return true;
    }
    const QByteArray path = QFile::encodeName(LockPath());
    // Close-on-exec: a child process must not keep the lock alive after this process ends.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        lockError_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            lockError_ = QString::fromLocal8Bit(std::strerror(errno));
        }
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    // A socket file left by a copy that crashed is stale now that the lock is ours.
    QLocalServer::removeServer(SocketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
    server_->listen(SocketPath()); // without it the guard still works, only activation does not
    return true;
}

void TSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (request.startsWith(kActivateRequest.trimmed())) {
                emit activationRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

bool TSingleInstance::RequestActivation(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kActivateRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}
