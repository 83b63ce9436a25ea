#include "support/CatalogueFixtures.h"
#include "timezones/LocalZoneRecord.h"

#include "support/FakeClock.h"
#include "platform/Registry.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"
#include "timezones/ZoneCityNames.h"
#include "timezones/ZoneClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <ctime>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString NameOf(const char16_t (&field)[32]) {
    return QString::fromUtf16(field);
}

SYSTEMTIME Rule(int month, int weekday, int occurrence, int hour) {
    SYSTEMTIME t;
    t.wMonth = static_cast<uint16_t>(month);
    t.wDayOfWeek = static_cast<uint16_t>(weekday);
    t.wDay = static_cast<uint16_t>(occurrence);
    t.wHour = static_cast<uint16_t>(hour);
    return t;
}

// Adds one entry in the given order (no sorting), as the registry would hand it over.
void AddEntry(TTimeZoneList& list, const QString& std, const REG_TZI_FORMAT& tzi) {
    AddCatalogueEntry(list, std, std, std, std, tzi);
}

SYSTEMTIME Utc(const char* iso) {
    FakeClock clock;
    clock.SetUtc(iso);
    return clock.UtcNow();
}

// The places the zone lists find an entry by, from ICU and the table of financial
// centres, stand under the key of the zone whose rules they keep.
TEST(ZoneCityNames, PlacesStandUnderTheKeyOfTheZoneTheyKeep) {
    EXPECT_EQ(SearchForm(" Нью-Йорк, "), "нью иорк");
    EXPECT_EQ(SearchForm("São Paulo"), "sao paulo");
    EXPECT_EQ(SearchForm("Ёлки"), SearchForm("елки"));
    EXPECT_TRUE(SearchMatches("нью иорк", "иор"));  // the start of a word
    EXPECT_FALSE(SearchMatches("нью иорк", "орк"));  // not its middle
    EXPECT_FALSE(SearchMatches("нью иорк", ""));

    const TZoneCityNames& names = TZoneCityNames::Instance();
    struct Place {
        const char* typed;
        const char* key;
    };
    for (const Place& p : {Place{"Женева", "W. Europe Standard Time"},
                           {"Germany", "W. Europe Standard Time"},
                           {"Германия", "w. europe standard time"},
                           {"New York", "Eastern Standard Time"},
                           {"Бомбей", "India Standard Time"},
                           {"Shenzhen", "China Standard Time"},
                           {"Канберра", "AUS Eastern Standard Time"},
                           {"Wellington", "New Zealand Standard Time"},
                           {"Сан-Франциско", "Pacific Standard Time"},
                           {"Doha", "Arab Standard Time"}})
        EXPECT_TRUE(names.KeyMatches(QString::fromLatin1(p.key), SearchForm(QString::fromUtf8(p.typed))))
            << p.typed;
    // A country whose zones keep several entries' rules is no place of its own.
    for (const WindowsZoneRow& row : WindowsZoneRows())
        EXPECT_FALSE(names.KeyMatches(QString::fromLatin1(row.key), SearchForm(QStringLiteral("Россия"))))
            << row.key;
    EXPECT_GT(names.Count(), 800);
}

TEST(WindowsKeyForZone, FollowsLinksBothWaysAfterTheTableItself) {
    const TerritoryZone table[] = {
        {"Asia/Calcutta", "India Standard Time"},     {"Europe/Amsterdam", "W. Europe Standard Time"},
        {"Europe/Brussels", "Romance Standard Time"}, {"Europe/Kiev", "FLE Standard Time"},
        {"US/Eastern", "Eastern Standard Time"},
    };
    const TZoneLinks links = TZoneLinks::Parse(
        "# tzdb data\nZ Asia/Kolkata 5:53:28 - LMT 1854 Jun 28\n"
        "L Asia/Kolkata Asia/Calcutta\nL Europe/Kyiv Europe/Kiev\n"
        "L Europe/Kyiv Europe/Zaporozhye\nL Europe/Brussels Europe/Amsterdam\n"
        "L America/New_York US/Eastern\nL America/New_York EST5EDT\n"
        "L Loop/A Loop/B\nL Loop/B Loop/A\n");
    // Renamed zones are known to the table only by their old names.
    EXPECT_EQ(WindowsKeyForZone("Asia/Kolkata", links, table), "India Standard Time");
    EXPECT_EQ(WindowsKeyForZone("Europe/Kyiv", links, table), "FLE Standard Time");
    // Another alias of the same zone.
    EXPECT_EQ(WindowsKeyForZone("Europe/Zaporozhye", links, table), "FLE Standard Time");
    EXPECT_EQ(WindowsKeyForZone("EST5EDT", links, table), "Eastern Standard Time");
    // A zone that tz merged into another keeps its own row.
    EXPECT_EQ(WindowsKeyForZone("Europe/Amsterdam", links, table), "W. Europe Standard Time");
    EXPECT_EQ(WindowsKeyForZone("Mars/Olympus", links, table), "");
    EXPECT_EQ(WindowsKeyForZone("Loop/A", links, table), "");  // a damaged database ends
}

TEST(LocalZoneRecord, RenamedZonesMapToTheirCatalogueEntries) {
    const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(2026)).registry;
    TTimeZoneList catalogue;
    LoadTimeZones(registry, catalogue, {});
    ASSERT_GT(catalogue.Count(), 100);
    const TZoneLinks links = TZoneLinks::Load("/usr/share/zoneinfo");
    const SYSTEMTIME now = Utc("2026-07-01T12:00:00");

    for (const auto& [iana, key] :
         {std::pair{"Europe/Kyiv", "FLE Standard Time"}, std::pair{"Europe/Kiev", "FLE Standard Time"},
          std::pair{"Asia/Kolkata", "India Standard Time"}, std::pair{"Asia/Calcutta", "India Standard Time"},
          std::pair{"Etc/UTC", "UTC"}}) {
        const TIME_ZONE_INFORMATION record = LocalZoneRecord(iana, catalogue, links, now);
        const int index = catalogue.IndexOfStandardName(key);
        ASSERT_GE(index, 0) << key;
        EXPECT_EQ(NameOf(record.StandardName), key) << iana;
        EXPECT_EQ(record, catalogue[index].ToTimeZoneInformation()) << iana;
    }
}

TEST(LocalZoneRecord, ComputerZoneComesFromTheDetectedName) {
    const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(2026)).registry;
    TTimeZoneList catalogue;
    LoadTimeZones(registry, catalogue, {});
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("etc"));
    ASSERT_TRUE(QFile::link("/usr/share/zoneinfo/Europe/Kyiv", root.filePath("etc/localtime")));
    TLocalZoneSource source;
    source.root = root.path();
    FakeClock clock;
    clock.SetUtc("2026-03-01T00:00:00");
    EXPECT_EQ(NameOf(ComputerZoneRecord(catalogue, clock.UtcMs(), source).StandardName), "FLE Standard Time");
}

TEST(LocalZoneRecord, WithoutAKeyTheEntryWithTheSameOffsetsAllYearIsTaken) {
    TTimeZoneList catalogue;
    const SYSTEMTIME usEnd = Rule(11, 0, 1, 2), usStart = Rule(3, 0, 2, 2);
    const SYSTEMTIME euEnd = Rule(10, 0, 5, 3), euStart = Rule(3, 0, 5, 2);
    AddEntry(catalogue, "Plus One, US dates", Tzi(-60, usEnd, usStart));
    AddEntry(catalogue, "Plus One, EU dates", Tzi(-60, euEnd, euStart));
    AddEntry(catalogue, "Plus Three", Tzi(-180));
    const TZoneLinks links;
    const SYSTEMTIME now = Utc("2026-05-01T00:00:00");

    EXPECT_EQ(NameOf(LocalZoneRecord("Europe/Berlin", catalogue, links, now).StandardName),
              "Plus One, EU dates");
    EXPECT_EQ(NameOf(LocalZoneRecord("Europe/Istanbul", catalogue, links, now).StandardName), "Plus Three");
    EXPECT_EQ(IndexWithSameOffsets(catalogue, "Asia/Tokyo", 2026), -1);
}

TEST(LocalZoneRecord, WithNoFittingEntryTheZoneKeepsItsOwnRule) {
    TTimeZoneList empty;
    const SYSTEMTIME now = Utc("2026-05-01T00:00:00");
    const TIME_ZONE_INFORMATION london = LocalZoneRecord("Europe/London", empty, {}, now);
    EXPECT_EQ(NameOf(london.StandardName), "Europe/London");
    EXPECT_EQ(london.Bias, 0);
    EXPECT_EQ(london.Bias + london.DaylightBias, -60);
    EXPECT_EQ(london.DaylightDate.wMonth, 3);
    EXPECT_EQ(london.StandardDate.wMonth, 10);

    const TIME_ZONE_INFORMATION unknown = LocalZoneRecord("Mars/Olympus", empty, {}, now);
    EXPECT_EQ(NameOf(unknown.StandardName), "UTC");
    EXPECT_EQ(unknown.Bias, 0);
    EXPECT_EQ(unknown.DaylightDate.wMonth, 0);
}

// Sets the process's TZ for the C library and puts the old value back afterwards.
class TzVariable {
public:
    explicit TzVariable(const QByteArray& value)
        : old_(qgetenv("TZ")), wasSet_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", value);
        tzset();
    }
    ~TzVariable() {
        if (wasSet_)
            qputenv("TZ", old_);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray old_;
    bool wasSet_;
};

// Seconds east of UTC that localtime() gives, as `date` shows it.
int LocaltimeOffset(qint64 utcMs) {
    const std::time_t t = static_cast<std::time_t>(utcMs / 1000);
    std::tm local{};
    localtime_r(&t, &local);
    return static_cast<int>(local.tm_gmtoff);
}

// A TZ the C library reads itself gives the computer's zone as localtime() has it: a
// record whose offsets equal localtime()'s at every hour of the year and around each
// change, named after TZ so that no catalogue entry claims it by name.
TEST(ComputerZoneRecord, ATzTheCLibraryReadsGivesLocaltimesOffsetsAllYear) {
    QTemporaryDir dir;
    const QString berlin = dir.filePath("Berlin");  // a zone file outside the zoneinfo folder
    ASSERT_TRUE(QFile::copy("/usr/share/zoneinfo/Europe/Berlin", berlin));
    TTimeZoneList catalogue;
    FakeClock clock;
    clock.SetUtc("2026-02-10T08:00:00");
    const qint64 from = clock.UtcMs() - 40LL * 86'400'000, to = from + 366LL * 86'400'000;
    const qint64 july = clock.UtcMs() + 141LL * 86'400'000;  // 1 July
    struct Case {
        QByteArray tz;
        int februaryMinutes, julyMinutes;
    };
    for (const Case& c : {Case{"JST-9", 540, 540}, Case{"EST5EDT,M3.2.0,M11.1.0", -300, -240}, Case{"", 0, 0},
                          Case{"<+0517>-5:17", 317, 317}, Case{"AEST-10AEDT,M10.1.0,M4.1.0/3", 660, 600},
                          Case{berlin.toLocal8Bit(), 60, 120}}) {
        SCOPED_TRACE("TZ=" + c.tz.toStdString());
        const TzVariable tz(c.tz);
        const TIME_ZONE_INFORMATION record = ComputerZoneRecord(catalogue, clock.UtcMs());
        const QString name = QString::fromLocal8Bit("TZ=" + c.tz);
        EXPECT_EQ(NameOf(record.StandardName), name.size() <= 31 ? name : QString());
        EXPECT_EQ(OffsetMinutesAt(record, clock.UtcMs()), c.februaryMinutes);
        EXPECT_EQ(OffsetMinutesAt(record, july), c.julyMinutes);
        int mismatches = 0;
        for (qint64 t = from; t < to; t += 3'600'000)
            for (const qint64 at : {t, t - 1000, t + 1000})
                mismatches += OffsetMinutesAt(record, at) * 60 != LocaltimeOffset(at);
        EXPECT_EQ(mismatches, 0);
    }
}

}  // namespace
