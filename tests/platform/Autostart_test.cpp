#include "platform/Autostart.h"

#include "platform/Error.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(Autostart, WriteQueryRewriteAndDelete) {
    QTemporaryDir temp;
    const TAutostartPlace place{temp.filePath("config/autostart"), "/opt/Horavane Pro/bin/horavane"};
    const QString entry = temp.filePath("config/autostart/Horavane.desktop");
    EXPECT_FALSE(AccessAutorun(arQuery, place));

    EXPECT_FALSE(AccessAutorun(arWrite, place));  // creates the missing folders too
    EXPECT_TRUE(AccessAutorun(arQuery, place));
    const QString text = ReadText(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=Horavane\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/Horavane Pro/bin/horavane\"\n")) << qPrintable(text);

    // A moved program rewrites the entry with its new path.
    AccessAutorun(arWrite, {place.folder, "/usr/bin/horavane"});
    EXPECT_TRUE(ReadText(entry).contains("\nExec=\"/usr/bin/horavane\"\n"));
    EXPECT_FALSE(ReadText(entry).contains("Pro"));

    EXPECT_FALSE(AccessAutorun(arDelete, place));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(AccessAutorun(arQuery, place));
    EXPECT_NO_THROW(AccessAutorun(arDelete, place)) << "deleting what is not there is silent";
}

TEST(Autostart, ExecQuotesEveryCharacterTheDesktopEntryReserves) {
    EXPECT_EQ(DesktopExecArgument("/home/u/it's a \"clock\""), "\"/home/u/it's a \\\\\"clock\\\\\"\"");
    EXPECT_EQ(DesktopExecArgument("/x/$HOME/`id`"), "\"/x/\\\\$HOME/\\\\`id\\\\`\"");
    // A literal backslash ends up as four; a percent sign is doubled.
    EXPECT_EQ(DesktopExecArgument("/x\\y/100%"), "\"/x\\\\\\\\y/100%%\"");
    EXPECT_EQ(DesktopExecArgument("/a\nb\tc"), "\"/a\\nb\\tc\"");
}

TEST(Autostart, UnwritableFolderRaisesTheMessageAndUnreadableEntryIsOff) {
    QTemporaryDir temp;
    QFile blocker(temp.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const TAutostartPlace blocked{temp.filePath("not-a-folder/autostart"), "/usr/bin/horavane"};
    try {
        AccessAutorun(arWrite, blocked);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        // The path, so the user can see where the entry could not go.
        EXPECT_EQ(e.Message(), "Failed to set data for '" +
                                   temp.filePath("not-a-folder/autostart/Horavane.desktop") + "'");
    }
    EXPECT_FALSE(AccessAutorun(arQuery, blocked));
    EXPECT_NO_THROW(AccessAutorun(arDelete, blocked));

    // An entry that is a folder cannot be replaced or read.
    const TAutostartPlace odd{temp.filePath("autostart"), "/usr/bin/horavane"};
    ASSERT_TRUE(QDir().mkpath(temp.filePath("autostart/Horavane.desktop")));
    EXPECT_THROW(AccessAutorun(arWrite, odd), Exception);
    EXPECT_FALSE(AccessAutorun(arQuery, odd));
}

// The desktop's own switch wins: an entry it turned off reads as off and stays as it is;
// a full disk keeps the old entry whole.
TEST(Autostart, EntrySwitchedOffByTheDesktopIsOffAndLeftAlone) {
    QTemporaryDir temp;
    const TAutostartPlace place{temp.path(), "/usr/bin/horavane"};
    const QString entry = temp.filePath("Horavane.desktop");
    const auto writeEntry = [&](const QByteArray& text) {
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QByteArray head = "[Desktop Entry]\nType=Application\nExec=\"/usr/bin/horavane\"\n";
    for (const QByteArray& off :
         {QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled=false\n"),
          QByteArray("Hidden = true\n")}) {
        writeEntry(head + off);
        EXPECT_FALSE(AccessAutorun(arQuery, place)) << off.constData();
        EXPECT_EQ(ReadText(entry).toUtf8(), head + off);
    }
    // Only the entry's own group counts, and other values leave it on.
    for (const QByteArray& on : {QByteArray("Hidden=false\nX-GNOME-Autostart-enabled=true\n"),
                                 QByteArray("[Desktop Action x]\nHidden=true\n")}) {
        writeEntry(head + on);
        EXPECT_TRUE(AccessAutorun(arQuery, place)) << on.constData();
    }

    writeEntry(head + "Hidden=true\n");
    {
        FileSizeLimit fullDisk(16);
        EXPECT_THROW(AccessAutorun(arWrite, place), Exception);
    }
    EXPECT_EQ(ReadText(entry).toUtf8(), head + "Hidden=true\n");
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files), QStringList{"Horavane.desktop"});
    AccessAutorun(arWrite, place);  // ticking the box switches it on again
    EXPECT_TRUE(AccessAutorun(arQuery, place));
}

TEST(Autostart, DefaultFolderFollowsXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/xdg-test-config");
    EXPECT_EQ(DefaultAutostartPlace().folder, "/tmp/xdg-test-config/autostart");
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DefaultAutostartPlace().folder, QDir::home().filePath(".config/autostart"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultAutostartPlace().folder, QDir::home().filePath(".config/autostart"));
    EXPECT_TRUE(QDir::isAbsolutePath(DefaultAutostartPlace().executable));
    if (!saved.isNull()) qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace
