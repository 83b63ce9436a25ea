#pragma once
// Small helpers shared by the tests.

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

// Path of a file in the source tree (tests run from the build tree).
QString SourcePath(const QString& relative);

// While it lives, no file of this process may grow past `bytes`: writes beyond fail as
// they do on a full disk (EFBIG instead of ENOSPC, SIGXFSZ ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};
