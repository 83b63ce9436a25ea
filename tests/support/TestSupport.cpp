#include "support/TestSupport.h"

#include <QDir>

QString SourcePath(const QString& relative) {
    const QByteArray root = qgetenv("HORAVANE_SOURCE_DIR");
    return QDir(root.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(root)).filePath(relative);
}
