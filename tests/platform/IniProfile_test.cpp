#include "platform/Error.h"
#include "platform/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs call and says whether it came back without waiting on the FIFO. A call that
// blocks in opening it (as open() does until a writer comes) is let go after a few
// seconds by a writer that comes and goes, so that the test fails instead of hanging.
bool ReturnsWithoutWaitingOn(const QString& fifo, const std::function<void()>& call) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool released = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (finished.wait_for(lock, std::chrono::seconds(3), [&] { return done; })) return;
        released = true;
        while (!done) {
            ::close(::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK));
            finished.wait_for(lock, std::chrono::milliseconds(50));
        }
    });
    call();
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
    return !released;
}

// Peak and current resident memory of this process, in bytes, from /proc/self/status.
qint64 StatusBytes(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').front().toLongLong() * 1024;
    return -1;
}

// Starts a new peak of resident memory at the present use.
bool ResetMemoryPeak() {
    QFile clear("/proc/self/clear_refs");
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

}  // namespace

TEST(IniProfile, FindsValuesWhateverTheCaseAndLayout) {
    const QByteArray ini =
        "; saved by hand\r\n"
        "[Mini]\r\n"
        "x = 120 \r\n"
        ";Y=5\r\n"
        "[ local ]\r\n"
        "TZI=\"quoted\"\r\n"
        "Empty=\r\n"
        "[MINI]\r\n"
        "Y=7\r\n";
    EXPECT_EQ(FindProfileValue(ini, "mini", "X"), QByteArray("120"));
    EXPECT_EQ(FindProfileValue(ini, "Local", "tzi"), QByteArray("quoted"));
    EXPECT_EQ(FindProfileValue(ini, "Local", "Empty"), QByteArray(""));
    // A comment is no key, and only the first section of a name is searched.
    EXPECT_EQ(FindProfileValue(ini, "Mini", "Y"), std::nullopt);
    EXPECT_EQ(FindProfileValue(ini, "Local", "X"), std::nullopt);
    EXPECT_EQ(FindProfileValue(ini, "0", "Name"), std::nullopt);
    EXPECT_EQ(FindProfileValue("", "0", "Name"), std::nullopt);
    EXPECT_EQ(FindProfileValue("\xEF\xBB\xBF[0]\nName=A\n", "0", "Name"), QByteArray("A"));
}

TEST(IniProfile, ReadsAtMost2047Characters) {
    const QByteArray ini = "[0]\nName=" + QByteArray(3000, 'a') + "\n";
    EXPECT_EQ(FindProfileValue(ini, "0", "Name")->size(), 2047);
}

TEST(IniProfile, WriteChangesOnlyTheOneKey) {
    const QByteArray crlf =
        "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = "
        "Old\r\nBGColor=1\r\n\r\n[1]\r\nName=B\r\n";
    EXPECT_EQ(SetProfileValue(crlf, "0", "Name", "New"),
              "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = "
              "New\r\nBGColor=1\r\n\r\n[1]\r\nName=B\r\n");
    // A new key goes after the section's last line, before the blank line.
    EXPECT_EQ(SetProfileValue(crlf, "0", "TZI", "AB"),
              "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = "
              "Old\r\nBGColor=1\r\nTZI=AB\r\n\r\n[1]\r\nName=B\r\n");
    // A new section goes at the end, with the file's own line ends.
    EXPECT_EQ(SetProfileValue("[0]\nName=A\n", "Mini", "X", "-5"), "[0]\nName=A\n[Mini]\nX=-5\n");
    EXPECT_EQ(SetProfileValue("[0]\nName=A", "Mini", "X", "1"), "[0]\nName=A\n[Mini]\nX=1\n");
    EXPECT_EQ(SetProfileValue("[0]\nName=A", "0", "X", "1"), "[0]\nName=A\nX=1\n");
    EXPECT_EQ(SetProfileValue("", "Local", "TZI", "00"), "[Local]\r\nTZI=00\r\n");
    // A file of mixed line ends: the first line's is the file's own.
    EXPECT_EQ(SetProfileValue("[0]\nName=A\r\n", "0", "X", "1"), "[0]\nName=A\r\nX=1\n");
    EXPECT_EQ(SetProfileValue("\xEF\xBB\xBF[0]\nName=A\n", "0", "Name", "B"), "\xEF\xBB\xBF[0]\nName=B\n");
}

TEST(IniProfile, ValueCannotInjectLines) {
    const QByteArray ini = SetProfileValue("", "0", "Name", "Evil\r\n[Mini]\nX=1");
    EXPECT_EQ(FindProfileValue(ini, "0", "Name"), QByteArray("Evil  [Mini] X=1"));
    EXPECT_EQ(FindProfileValue(ini, "Mini", "X"), std::nullopt);
}

TEST(IniProfile, FirstWriteCreatesTheFileAndLaterWritesKeepIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("horavane.ini");
    EXPECT_EQ(ReadProfileString(path, "0", "Name"), std::nullopt);
    WriteProfileString(path, "0", "Name", "London");
    WriteProfileString(path, "0", "BGColor", "1204535");
    WriteProfileString(path, "0", "name", "Paris");
    EXPECT_EQ(ReadAll(path), "[0]\r\nName=Paris\r\nBGColor=1204535\r\n");
    EXPECT_EQ(ReadProfileString(path, "0", "NAME"), QByteArray("Paris"));
    // Nothing is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"horavane.ini"});
}

TEST(IniProfile, WriteToAMissingFolderThrowsTheMessage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/horavane.ini");
    try {
        WriteProfileString(path, "Local", "TZI", "00");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
}

// Removing a key is the write that takes it out: only from the section reads look in,
// nothing else changes, and a file without it is neither made nor touched.
TEST(IniProfile, RemovingAKeyKeepsEverythingElse) {
    EXPECT_EQ(RemoveProfileValue("[local]\r\ntzi = AB\r\nX=1\r\n[Local]\r\nTZI=CD\r\n", "Local", "TZI"),
              "[local]\r\nX=1\r\n[Local]\r\nTZI=CD\r\n");
    EXPECT_EQ(RemoveProfileValue("[Local]\nTZI=AB", "Local", "TZI"), "[Local]\n");
    EXPECT_EQ(RemoveProfileValue("[0]\nTZI=AB\n", "Local", "TZI"), "[0]\nTZI=AB\n");

    QTemporaryDir dir;
    const QString path = dir.filePath("horavane.ini");
    DeleteProfileString(path, "Local", "TZI");
    EXPECT_FALSE(QFile::exists(path));
    WriteProfileString(path, "Local", "TZI", "AB");
    WriteProfileString(path, "Mini", "X", "1");
    DeleteProfileString(path, "Local", "TZI");
    EXPECT_EQ(ReadAll(path), "[Local]\r\n[Mini]\r\nX=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    DeleteProfileString(path, "Local", "TZI");  // nothing to remove: no failed save
    EXPECT_THROW(WriteProfileString(path, "Local", "TZI", "CD"), Exception);
    EXPECT_EQ(ReadAll(path), "[Local]\r\n[Mini]\r\nX=1\r\n");
}

// Several keys saved at once land exactly as if written one after the other, whatever
// the file looks like: keys present or not, blank lines at the section's end, a section
// twice, no section, no line end at the end, a bare CR, a UTF-8 mark.
TEST(IniProfile, SeveralKeysInOneSaveAsIfWrittenOneByOne) {
    const QByteArray files[] = {
        "",
        "\xEF\xBB\xBF",
        "\r",
        "[0]",
        "[0]\r\nName=A\r\n\r\n\r\n[1]\r\nName=B\r\n",
        "[0]\nbgcolor = 5\n\n; note\n\n",
        "; top\n[Mini]\r\nX=100\r",
        "\xEF\xBB\xBF[0]\nTZI=AB\n[0]\nName=Second\n",
        "[1]\nName=B\n\n",
        "[0]\r\nName=A\r\nName=Again\r\n",
    };
    const ProfileEntries entries{{"Name", "Paris"}, {"BGColor", "255"}, {"TZI", "00"}};
    QTemporaryDir dir;
    const QString path = dir.filePath("horavane.ini");
    for (const QByteArray& before : files) {
        QByteArray expected = before;
        for (const auto& entry : entries)
            expected = SetProfileValue(expected, "0", entry.first, entry.second);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
        file.close();
        WriteProfileStrings(path, "0", entries);
        EXPECT_EQ(ReadAll(path), expected) << before.toStdString();
    }
    // The same key twice is one key, with the last value.
    WriteProfileStrings(path, "9", {{"X", "1"}, {"x", "2"}});
    EXPECT_TRUE(ReadAll(path).endsWith("[9]\r\nX=2\r\n"));
}

// A FIFO, or anything else that is not a regular file, named like the settings file is
// never waited on: reads find nothing, saves fail with the usual message, and it stays.
TEST(IniProfile, AFileThatIsNoRegularFileIsNeverWaitedOnNorWritten) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("horavane.ini");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_TRUE(ReturnsWithoutWaitingOn(
        fifo, [&] { EXPECT_EQ(ReadProfileString(fifo, "0", "Name"), std::nullopt); }));
    EXPECT_TRUE(ReturnsWithoutWaitingOn(fifo, [&] { EXPECT_FALSE(ProfileMarkedUtf8(fifo)); }));
    EXPECT_TRUE(
        ReturnsWithoutWaitingOn(fifo, [&] { EXPECT_NO_THROW(DeleteProfileString(fifo, "0", "Name")); }));
    EXPECT_TRUE(ReturnsWithoutWaitingOn(fifo, [&] {
        try {
            WriteProfileStrings(fifo, "Mini", {{"X", "1"}, {"Y", "2"}});
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + fifo);
        }
    }));
    struct stat info {};
    ASSERT_EQ(lstat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList{"horavane.ini"});

    const QString folder = dir.filePath("folder.ini");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(ReadProfileString(folder, "0", "Name"), std::nullopt);
    EXPECT_THROW(WriteProfileString(folder, "0", "Name", "A"), Exception);
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

// A save goes through the file a line at a time: a settings file grown huge (by hand or
// by a runaway tool) is rewritten with little more memory than before, and with the very
// bytes the in-memory edit gives, whatever lines straddle the blocks it is read in.
TEST(IniProfile, ASaveOfAHugeFileTakesLittleMemoryAndKeepsEveryByte) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer keeps freed memory in quarantine";
#endif
    QByteArray content = "; generated\r\n[0]\r\nName=London\r\n\r\n";
    for (int i = 0; content.size() < 8 * 1024 * 1024; ++i)
        content += "[s" + QByteArray::number(i) + "]\nk=" + QByteArray(i % 97, 'v') + "\r\n;\n";
    content += "[Mini]\r\nX=5";
    QTemporaryDir dir;
    const QString path = dir.filePath("horavane.ini");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }
    QByteArray expected = SetProfileValue(content, "0", "Name", "Paris");
    expected = SetProfileValue(expected, "0", "BGColor", "1");
    expected = SetProfileValue(expected, "Mini", "Y", "7");

    if (!ResetMemoryPeak()) GTEST_SKIP() << "no /proc/self/clear_refs here";
    const qint64 before = StatusBytes("VmRSS:");
    WriteProfileStrings(path, "0", {{"Name", "Paris"}, {"BGColor", "1"}});
    WriteProfileString(path, "Mini", "Y", "7");
    EXPECT_EQ(ReadProfileString(path, "Mini", "X"), QByteArray("5"));
    const qint64 growth = StatusBytes("VmHWM:") - before;
    EXPECT_LT(growth, content.size() / 8) << growth << " bytes more for a file of " << content.size();
    EXPECT_TRUE(ReadAll(path) == expected);
}
