#include "platform/FileReplace.h"

#include <QFile>
#include <QSaveFile>

#include <unistd.h>

bool ReplaceFileWhole(const QString& path, const QByteArray& bytes) {
    return ReplaceFileWhole(path, [&bytes](QIODevice& file) { return file.write(bytes) == bytes.size(); });
}

bool ReplaceFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // The device keeps written bytes in a buffer, so a full disk shows only when they are
    // flushed; commit() alone would rename a cut or empty file over the old one. The sync
    // catches what a filesystem reports only when its delayed blocks are allocated.
    if (!write(file) || !file.flush() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;  // the temporary file goes with the QSaveFile; the old one stays
    }
    return file.commit();
}

bool LockedReadOnly(const QString& path) {
    if (!QFile::exists(path)) return false;
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(QFile::permissions(path) & anyWrite);
}
