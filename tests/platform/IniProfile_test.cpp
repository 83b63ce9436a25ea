#include "platform/Error.h"
#include "platform/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = Old\r\nBGColor=1\r\n\r\n[1]\r\nName=B\r\n";
    EXPECT_EQ(SetProfileValue(crlf, "0", "Name", "New"),
              "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = New\r\nBGColor=1\r\n\r\n[1]\r\nName=B\r\n");
    // A new key goes after the section's last line, before the blank line.
    EXPECT_EQ(SetProfileValue(crlf, "0", "TZI", "AB"),
              "; comment\r\n\r\n[Unknown]\r\nfoo=bar\r\n\r\n[0]\r\nname = Old\r\nBGColor=1\r\nTZI=AB\r\n\r\n[1]\r\nName=B\r\n");
    // A new section goes at the end, with the file's own line ends.
    EXPECT_EQ(SetProfileValue("[0]\nName=A\n", "Mini", "X", "-5"), "[0]\nName=A\n[Mini]\nX=-5\n");
    EXPECT_EQ(SetProfileValue("[0]\nName=A", "Mini", "X", "1"), "[0]\nName=A\n[Mini]\nX=1\n");
    EXPECT_EQ(SetProfileValue("[0]\nName=A", "0", "X", "1"), "[0]\nName=A\nX=1\n");
    EXPECT_EQ(SetProfileValue("", "Local", "TZI", "00"), "[Local]\r\nTZI=00\r\n");
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
