#include "support/TestSupport.h"

#include <QDir>

#include <csignal>

QString SourcePath(const QString& relative) {
    const QByteArray root = qgetenv("HORAVANE_SOURCE_DIR");
    return QDir(root.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(root)).filePath(relative);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
}
