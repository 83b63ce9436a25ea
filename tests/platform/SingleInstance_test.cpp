#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSettings = QStringLiteral("/opt/horavane/horavane.ini");

// Sets (or, with nullopt, unsets) an environment variable for one scope.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const std::optional<QString>& value)
        : name_(name), saved_(qgetenv(name)), wasSet_(qEnvironmentVariableIsSet(name)) {
        if (value)
            qputenv(name, QFile::encodeName(*value));
        else
            qunsetenv(name);
    }
    ~EnvironmentVariable() {
        if (wasSet_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray saved_;
    bool wasSet_;
};

// Claims in a thread of its own, as a second process would, while this one answers.
TSingleInstance::TClaim ClaimBeside(const QString& settings, const QString& folder, int timeoutMs) {
    std::atomic<int> result{-1};
    std::unique_ptr<QThread> other(
        QThread::create([&] { result = TSingleInstance(settings, folder).Claim(timeoutMs); }));
    other->start();
    while (!other->isFinished()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    other->wait();
    return TSingleInstance::TClaim(result.load());
}

TEST(SingleInstance, ASecondClaimAsksTheFirstToShowItsWindowAndAnotherFileDoesNot) {
    QTemporaryDir folder;
    TSingleInstance first(kSettings, folder.path());
    int shows = 0;
    QObject::connect(&first, &TSingleInstance::showRequested, [&] { ++shows; });
    ASSERT_EQ(first.Claim(), TSingleInstance::icFirst);
    EXPECT_TRUE(first.Listening());
    EXPECT_TRUE(first.SocketPath().startsWith(folder.path() + "/horavane-"));

    EXPECT_EQ(ClaimBeside(kSettings, folder.path(), 5000), TSingleInstance::icOtherShown);
    EXPECT_EQ(shows, 1);
    // Another settings file is another copy of its own.
    EXPECT_EQ(ClaimBeside("/home/u/horavane.ini", folder.path(), 5000), TSingleInstance::icFirst);
    EXPECT_EQ(shows, 1);
    // The name is short whatever the path, and the same for the same file.
    EXPECT_EQ(InstanceName(kSettings), InstanceName(kSettings));
    EXPECT_NE(InstanceName(kSettings), InstanceName("/home/u/horavane.ini"));
    EXPECT_EQ(InstanceName(QString(500, 'x')).size(), QString("horavane-").size() + 16);
}

TEST(SingleInstance, WhatACrashedCopyLeftDoesNotBlockAStart) {
    QTemporaryDir folder;
    const QString socket = QDir(folder.path()).filePath(InstanceName(kSettings));
    // A socket file nobody listens on, and a lock naming a process that is gone.
    QFile leftover(socket);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    QFile lock(socket + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999\nhoravane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();

    TSingleInstance next(kSettings, folder.path());
    EXPECT_EQ(next.Claim(3000), TSingleInstance::icFirst);
    EXPECT_TRUE(next.Listening());
    EXPECT_EQ(ClaimBeside(kSettings, folder.path(), 5000), TSingleInstance::icOtherShown);
}

TEST(SingleInstance, WithoutARuntimeFolderAPrivateOneInTheTemporaryFolder) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString folder = DefaultInstanceFolder();
    if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_EQ(folder, QDir::temp().filePath(QStringLiteral("horavane-%1").arg(getuid())));
    struct stat info {};
    ASSERT_EQ(lstat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, getuid());
    // One that others may enter is not taken: someone else may have made it.
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0755), 0);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(DefaultInstanceFolder(), QString());
    chmod(QFile::encodeName(folder).constData(), 0700);

    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(DefaultInstanceFolder(), runtime.path());
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

// Whatever another user could put in the way is passed over: a runtime folder others
// may write or enter, a link in its place, a relative path, a folder of that name in the
// temporary folder made by someone else; and with no safe folder at all nothing is made
// in the working folder and the claim runs unguarded at once.
TEST(SingleInstance, OnlyAPrivateFolderOfThisUserHoldsTheLock) {
    QTemporaryDir runtime, elsewhere, temp, work;
    const QByteArray runtimePath = QFile::encodeName(runtime.path());
    {
        EnvironmentVariable xdg("XDG_RUNTIME_DIR", runtime.path());
        EnvironmentVariable tmp("TMPDIR", temp.path());
        EXPECT_EQ(DefaultInstanceFolder(), runtime.path());
        const QString ownTemp = QDir(temp.path()).filePath(QStringLiteral("horavane-%1").arg(getuid()));
        for (const mode_t mode : {0777, 01777, 0770, 0705}) {
            ASSERT_EQ(chmod(runtimePath.constData(), mode), 0);
            EXPECT_EQ(DefaultInstanceFolder(), ownTemp) << std::oct << mode;
        }
        ASSERT_EQ(chmod(runtimePath.constData(), 0700), 0);
        const QString link = QDir(elsewhere.path()).filePath("runtime");
        ASSERT_EQ(symlink(runtimePath.constData(), QFile::encodeName(link).constData()), 0);
        EnvironmentVariable linked("XDG_RUNTIME_DIR", link);
        EXPECT_EQ(DefaultInstanceFolder(), ownTemp);
    }
    {
        // Made by another before us: open to all, or a link to a folder of theirs.
        EnvironmentVariable xdg("XDG_RUNTIME_DIR", std::nullopt);
        EnvironmentVariable tmp("TMPDIR", temp.path());
        const QByteArray planted =
            QFile::encodeName(QDir(temp.path()).filePath(QStringLiteral("horavane-%1").arg(getuid())));
        rmdir(planted.constData());
        ASSERT_EQ(mkdir(planted.constData(), 0777), 0);
        ASSERT_EQ(chmod(planted.constData(), 0777), 0);
        EXPECT_EQ(DefaultInstanceFolder(), QString());
        ASSERT_EQ(rmdir(planted.constData()), 0);
        ASSERT_EQ(symlink(runtimePath.constData(), planted.constData()), 0);
        EXPECT_EQ(DefaultInstanceFolder(), QString());
    }
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    for (const char* missing : {"/nonexistent", "."}) {
        EnvironmentVariable xdg("XDG_RUNTIME_DIR", QString("run"));
        EnvironmentVariable tmp("TMPDIR", QString(missing));
        EXPECT_EQ(DefaultInstanceFolder(), QString()) << missing;
        TSingleInstance unguarded(kSettings, DefaultInstanceFolder());
        EXPECT_EQ(unguarded.Claim(5000), TSingleInstance::icUnguarded);
        EXPECT_TRUE(unguarded.UnguardedReason().contains("no private folder"))
            << qPrintable(unguarded.UnguardedReason());
        EXPECT_FALSE(unguarded.Listening());
    }
    QDir::setCurrent(cwd);
    EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
    // A folder handed over that others may write is not used either.
    ASSERT_EQ(chmod(QFile::encodeName(elsewhere.path()).constData(), 0777), 0);
    TSingleInstance inOpenFolder(kSettings, elsewhere.path());
    EXPECT_EQ(inOpenFolder.Claim(5000), TSingleInstance::icUnguarded);
    EXPECT_FALSE(QFile::exists(inOpenFolder.SocketPath() + ".lock"));
}

// A lock and a socket in the folder that lead to another copy's (links), or that belong
// to another user, are not obeyed: the start neither waits for nor shows a copy that is
// not the user's own, and runs unguarded.
TEST(SingleInstance, PlantedLockAndSocketAreNotObeyed) {
    QTemporaryDir folder, planterFolder;
    TSingleInstance planter(kSettings, planterFolder.path());
    int shows = 0;
    QObject::connect(&planter, &TSingleInstance::showRequested, [&] { ++shows; });
    ASSERT_EQ(planter.Claim(), TSingleInstance::icFirst);
    const QString socket = QDir(folder.path()).filePath(InstanceName(kSettings));
    for (const QString& name : {socket, socket + ".lock"}) {
        const QString target = QDir(planterFolder.path()).filePath(QFileInfo(name).fileName());
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()), 0);
    }
    EXPECT_EQ(ClaimBeside(kSettings, folder.path(), 5000), TSingleInstance::icUnguarded);
    EXPECT_EQ(shows, 0);
    EXPECT_TRUE(QFileInfo(socket).isSymLink()) << "another's files are left alone";

    if (geteuid() != 0) GTEST_SKIP() << "only root can give files to another user";
    QTemporaryDir shared;
    TSingleInstance foreign(kSettings, shared.path());
    QObject::connect(&foreign, &TSingleInstance::showRequested, [&] { ++shows; });
    ASSERT_EQ(foreign.Claim(), TSingleInstance::icFirst);
    for (const QString& name : {foreign.SocketPath(), foreign.SocketPath() + ".lock"})
        ASSERT_EQ(lchown(QFile::encodeName(name).constData(), 65534, 65534), 0);
    EXPECT_EQ(ClaimBeside(kSettings, shared.path(), 5000), TSingleInstance::icUnguarded);
    EXPECT_EQ(shows, 0);
}

}  // namespace
