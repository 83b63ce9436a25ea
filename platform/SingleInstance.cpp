#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kShow = "show\n";
const QByteArray kShown = "shown\n";

}  // namespace

QString InstanceName(const QString& settingsFile) {
    const QString path = QFileInfo(settingsFile).absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("horavane-") + QString::fromLatin1(hash.left(16));
}

QString DefaultInstanceFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    // Without a runtime folder: one of our own in /tmp, which nobody else may have made.
    const QString folder = QDir::temp().filePath(QStringLiteral("horavane-%1").arg(::getuid()));
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    struct stat info {};
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 0077) != 0)
        return {};
    return folder;
}

TSingleInstance::TSingleInstance(const QString& key, const QString& folder, QObject* parent)
    : QObject(parent),
      socketPath_(QDir(folder).filePath(InstanceName(key))),
      lock_(socketPath_ + QStringLiteral(".lock")) {
    lock_.setStaleLockTime(0);  // a lock is stale only when its process is gone
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Answer);
}

TSingleInstance::~TSingleInstance() {
    server_.close();
}

TSingleInstance::TClaim TSingleInstance::Claim(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    bool otherSeen = false;
    do {
        if (lock_.tryLock(0)) {
            // Whatever socket is there was left by a copy that no longer runs.
            QLocalServer::removeServer(socketPath_);
            server_.listen(socketPath_);
            return icFirst;
        }
        // A lock that cannot be made at all (no such folder, no rights) guards nothing.
        if (lock_.error() != QLockFile::LockFailedError) return icFirst;
        otherSeen = true;
        if (AskRunningCopy(int(qMin<qint64>(deadline.remainingTime(), 2000)))) return icOtherShown;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return otherSeen ? icOtherSilent : icFirst;
}

bool TSingleInstance::AskRunningCopy(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kShow);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // The running copy answers from its event loop, which a slow start may not have reached.
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
    return answer == kShown;
}

void TSingleInstance::Answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            if (socket->readLine() == kShow) {
                emit showRequested();
                socket->write(kShown);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}
