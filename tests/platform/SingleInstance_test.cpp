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

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSettings = QStringLiteral("/opt/horavane/horavane.ini");

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
    if (saved.isNull()) qunsetenv("XDG_RUNTIME_DIR"); else qputenv("XDG_RUNTIME_DIR", saved);
}

}  // namespace
