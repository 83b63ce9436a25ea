#include "platform/LocalZone.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A folder laid out like "/" with a small zoneinfo tree of made-up zone files.
class FakeRoot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        source_.root = dir_.path();
        AddZone("Europe/Berlin", "TZif-berlin");
        AddZone("Europe/Kyiv", "TZif-kyiv");
        AddZone("Asia/Kolkata", "TZif-kolkata");
        AddZone("Etc/UTC", "TZif-utc");
        AddZone("EST5EDT", "TZif-est5edt");
        AddZone("posix/Europe/Berlin", "TZif-berlin");  // same bytes, never the answer
        Write("usr/share/zoneinfo/zone.tab", "# not a zone file\n");
        ASSERT_TRUE(QDir(dir_.path()).mkpath("etc"));
    }

    void Write(const QString& relative, const QByteArray& bytes) {
        const QString path = dir_.filePath(relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void AddZone(const QString& name, const QByteArray& bytes) { Write("usr/share/zoneinfo/" + name, bytes); }
    void LinkLocaltime(const QString& target) {
        ASSERT_TRUE(QFile::link(target, dir_.filePath("etc/localtime")));
    }

    QTemporaryDir dir_;
    TLocalZoneSource source_;
};

TEST_F(FakeRoot, TzNamingAZoneFileWinsOverEverythingElse) {
    LinkLocaltime("../usr/share/zoneinfo/Europe/Kyiv");
    Write("etc/timezone", "Asia/Kolkata\n");
    source_.tz = "Europe/Berlin";
    EXPECT_EQ(LocalZoneName(source_), "Europe/Berlin");
    source_.tz = ":Europe/Berlin";
    EXPECT_EQ(LocalZoneName(source_), "Europe/Berlin");
    source_.tz = ":/usr/share/zoneinfo/posix/Europe/Berlin";
    EXPECT_EQ(LocalZoneName(source_), "Europe/Berlin");
    source_.tz = "EST5EDT";  // a bare rule name that is also a zone file
    EXPECT_EQ(LocalZoneName(source_), "EST5EDT");
}

// A TZ that names no zone file tells no zone name; the C library reads it itself (a
// POSIX rule, UTC for an empty value, a file elsewhere), so the computer's clock is what
// localtime() gives rather than the zone of /etc/localtime.
TEST_F(FakeRoot, TzThatNamesNoZoneFileFallsThroughToTheCLibrary) {
    LinkLocaltime("../usr/share/zoneinfo/Europe/Kyiv");
    for (const char* tz : {"EST5EDT,M3.2.0,M11.1.0", "JST-9", "", ":", "Mars/Olympus", "zone.tab",
                           "../../etc/timezone", "Europe", ":/etc/localtime", "/tmp/Berlin"}) {
        source_.tz = QString::fromLatin1(tz);
        EXPECT_EQ(LocalZoneName(source_), "Europe/Kyiv") << "TZ=" << tz;
        EXPECT_TRUE(TzFollowsCLibrary(source_)) << "TZ=" << tz;
    }
    for (const char* tz : {"Europe/Berlin", ":Europe/Berlin", "EST5EDT"}) {
        source_.tz = QString::fromLatin1(tz);
        EXPECT_FALSE(TzFollowsCLibrary(source_)) << "TZ=" << tz;
    }
    source_.tz.reset();
    EXPECT_FALSE(TzFollowsCLibrary(source_));
}

TEST_F(FakeRoot, LocaltimeLinkGivesTheNameAfterZoneinfo) {
    LinkLocaltime("/usr/share/zoneinfo/right/Asia/Kolkata");
    Write("etc/timezone", "Europe/Berlin\n");
    EXPECT_EQ(LocalZoneName(source_), "Asia/Kolkata");
}

TEST_F(FakeRoot, DanglingLinkStillNamesTheZone) {
    LinkLocaltime("/nowhere/zoneinfo/America/Sao_Paulo");
    EXPECT_EQ(LocalZoneName(source_), "America/Sao_Paulo");
}

TEST_F(FakeRoot, TimezoneFileIsReadWhenThereIsNoLink) {
    Write("etc/timezone", "# set by the installer\n\n  Europe/Kyiv  \n");
    EXPECT_EQ(LocalZoneName(source_), "Europe/Kyiv");
    Write("etc/timezone", "../../../etc/passwd\n");  // never leaves the zoneinfo folder
    EXPECT_EQ(LocalZoneName(source_), "UTC");
}

TEST_F(FakeRoot, CopiedLocaltimeIsFoundByItsBytes) {
    Write("etc/localtime", "TZif-berlin");
    EXPECT_EQ(LocalZoneName(source_), "Europe/Berlin");
    // A hard-linked legacy name with the same bytes does not change the answer.
    AddZone("CET", "TZif-berlin");
    AddZone("Etc/Berlin", "TZif-berlin");
    EXPECT_EQ(LocalZoneName(source_), "Europe/Berlin");
}

TEST_F(FakeRoot, NothingToGoByGivesUtc) {
    EXPECT_EQ(LocalZoneName(source_), "UTC");
    Write("etc/localtime", "TZif-unknown-zone");  // a copy that matches no file
    EXPECT_EQ(LocalZoneName(source_), "UTC");
    source_.root = dir_.filePath("missing");
    EXPECT_EQ(LocalZoneName(source_), "UTC");
}

TEST(ZoneNames, PathsAndSafety) {
    EXPECT_EQ(ZoneNameFromZoneInfoPath("/usr/share/zoneinfo/Europe/Berlin"), "Europe/Berlin");
    EXPECT_EQ(ZoneNameFromZoneInfoPath("../usr/share/zoneinfo/posix/Asia/Tokyo"), "Asia/Tokyo");
    EXPECT_EQ(ZoneNameFromZoneInfoPath("/usr/lib/zoneinfo/zoneinfo/Etc/UTC"), "Etc/UTC");
    EXPECT_EQ(ZoneNameFromZoneInfoPath("/etc/alternatives/tz"), "");
    EXPECT_TRUE(IsSafeZoneName("America/Argentina/Buenos_Aires"));
    EXPECT_TRUE(IsSafeZoneName("Etc/GMT+5"));
    EXPECT_FALSE(IsSafeZoneName("/Europe/Berlin"));
    EXPECT_FALSE(IsSafeZoneName("Europe/../../x"));
    EXPECT_FALSE(IsSafeZoneName("Europe//Berlin"));
    EXPECT_FALSE(IsSafeZoneName("EST5EDT,M3.2.0,M11.1.0"));
}

}  // namespace
