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

bool PrivateFolder(const QString& path) {
    if (path.isEmpty() || QDir::isRelativePath(path)) return false;
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

QString DefaultInstanceFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime)) return runtime;
    // Otherwise one of our own in the temporary folder. Anybody may have made it first,
    // so it is taken only when it turns out ours and private.
    QString temp = qEnvironmentVariable("TMPDIR");
    if (temp.isEmpty()) temp = QStringLiteral("/tmp");
    if (QDir::isRelativePath(temp)) return {};
    const QString folder = QDir(temp).filePath(QStringLiteral("horavane-%1").arg(::getuid()));
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    return PrivateFolder(folder) ? folder : QString();
}

TSingleInstance::TSingleInstance(const QString& key, const QString& folder, QObject* parent)
    : QObject(parent),
      folder_(folder),
      socketPath_(QDir(folder).filePath(InstanceName(key))),
      lock_(socketPath_ + QStringLiteral(".lock")) {
    lock_.setStaleLockTime(0);  // a lock is stale only when its process is gone
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &TSingleInstance::Answer);
}

TSingleInstance::~TSingleInstance() {
    server_.close();
}

QString TSingleInstance::Untrusted() const {
    if (folder_.isEmpty())
        return QStringLiteral(
                   "no private folder for its lock ($XDG_RUNTIME_DIR, or horavane-%1 in $TMPDIR or /tmp)")
            .arg(::getuid());
    if (!PrivateFolder(folder_)) return folder_ + QStringLiteral(" is not a private folder of this user");
    for (const QString& path : {lock_.fileName(), socketPath_}) {
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0) continue;
        if (S_ISLNK(info.st_mode) || info.st_uid != ::getuid())
            return path + QStringLiteral(" is not this user's own");
    }
    return {};
}

TSingleInstance::TClaim TSingleInstance::Claim(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    bool otherSeen = false;
    do {
        // Checked again on every try: the files may come while another copy starts.
        unguardedReason_ = Untrusted();
        if (!unguardedReason_.isEmpty()) return icUnguarded;
        if (lock_.tryLock(0)) {
            // Whatever socket is there was left by a copy that no longer runs.
            QLocalServer::removeServer(socketPath_);
            server_.listen(socketPath_);
            return icFirst;
        }
        // A lock that cannot be made at all (a full disk, no rights) guards nothing.
        if (lock_.error() != QLockFile::LockFailedError) {
            unguardedReason_ = QStringLiteral("its lock cannot be made in ") + folder_;
            return icUnguarded;
        }
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
