#include "support/TestSupport.h"

#include <QDir>

#include <csignal>

// The source tree this test was built from, so a test program finds its fixtures
// whether ctest starts it or a developer runs it by hand; HORAVANE_SOURCE_DIR overrides.
QString SourcePath(const QString& relative) {
    const QByteArray root = qgetenv("HORAVANE_SOURCE_DIR");
    return QDir(root.isEmpty() ? QStringLiteral(HORAVANE_BUILT_FROM) : QString::fromLocal8Bit(root))
        .filePath(relative);
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
