#include "timezones/TzCatalogue.h"

#include "platform/Clock.h"
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/ZoneClock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

namespace {

constexpr int kYear = 2026;
// The embedded fallback catalogue is generated for the year after the one it was made in,
// so that a bare system gets the coming year's rules.
constexpr int kFallbackYear = 2027;

SYSTEMTIME Rule(uint16_t month, uint16_t weekday, uint16_t occurrence, uint16_t hour,
                uint16_t minute = 0, uint16_t second = 0, uint16_t ms = 0) {
    SYSTEMTIME st;
    st.wMonth = month;
    st.wDayOfWeek = weekday;
    st.wDay = occurrence;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = ms;
    return st;
}

const TRegKey* ZoneKey(const TRegistry& registry, const QString& key) {
    return registry.FindKey(HKEY_LOCAL_MACHINE, kTimeZonesKeyPath + QLatin1Char('\\') + key);
}

REG_TZI_FORMAT StoredTzi(const TRegistry& registry, const QString& key) {
    REG_TZI_FORMAT tzi;
    const TRegKey* zone = ZoneKey(registry, key);
    const TRegValue* value = zone ? zone->FindValue(QStringLiteral("TZI")) : nullptr;
    if (value && value->data.size() == sizeof tzi) std::memcpy(&tzi, value->data.constData(), sizeof tzi);
    return tzi;
}

const TRegistry& SystemCatalogue() {
    static const TRegistry registry = BuildSystemTimeZoneRegistry(kYear);
    return registry;
}

struct Expected {
    const char* key;
    int32_t bias, daylightBias;
    SYSTEMTIME standardDate, daylightDate;
};

}  // namespace

// The rules as Windows itself stores them for these keys, including the "24:00" form.
TEST(TzCatalogue, DerivesTheRulesWindowsStores) {
    const Expected cases[] = {
        {"Eastern Standard Time", 300, -60, Rule(11, 0, 1, 2), Rule(3, 0, 2, 2)},
        {"GMT Standard Time", 0, -60, Rule(10, 0, 5, 2), Rule(3, 0, 5, 1)},
        {"AUS Eastern Standard Time", -600, -60, Rule(4, 0, 1, 3), Rule(10, 0, 1, 2)},
        {"Pacific SA Standard Time", 240, -60, Rule(4, 6, 1, 23, 59, 59, 999),
         Rule(9, 6, 1, 23, 59, 59, 999)},
        {"Russian Standard Time", -180, 0, SYSTEMTIME{}, SYSTEMTIME{}},
        {"India Standard Time", -330, 0, SYSTEMTIME{}, SYSTEMTIME{}},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.key);
        const REG_TZI_FORMAT tzi = StoredTzi(SystemCatalogue(), QString::fromLatin1(c.key));
        EXPECT_EQ(tzi.Bias, c.bias);
        EXPECT_EQ(tzi.StandardBias, 0);
        EXPECT_EQ(tzi.DaylightBias, c.daylightBias);
        EXPECT_EQ(tzi.StandardDate, c.standardDate);
        EXPECT_EQ(tzi.DaylightDate, c.daylightDate);
    }
}

TEST(TzCatalogue, HoldsEveryTableKeyInOrderWithItsTexts) {
    TRegistryAccess reg(SystemCatalogue(), HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTimeZonesKeyPath));
    const QStringList names = reg.GetKeyNames();
    ASSERT_EQ(names.size(), static_cast<qsizetype>(WindowsZoneRows().size()));
    EXPECT_EQ(names.size(), 139);
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], QString::fromLatin1(WindowsZoneRows()[static_cast<size_t>(i)].key));

    TTimeZoneList list;
    LoadTimeZones(SystemCatalogue(), list, {});
    ASSERT_EQ(list.Count(), 139);
    const TRegTimeZone& moscow = list[list.IndexOfStandardName(QStringLiteral("Russian Standard Time"))];
    EXPECT_EQ(moscow.Display, QStringLiteral("(UTC+03:00) Москва, Санкт-Петербург"));
    EXPECT_EQ(moscow.Dlt, QStringLiteral("Russian Daylight Time"));
    const TRegTimeZone& kabul = list[list.IndexOfStandardName(QStringLiteral("Afghanistan Standard Time"))];
    EXPECT_TRUE(kabul.Display.startsWith(QStringLiteral("(UTC+04:30) ")));
    const TRegTimeZone& newfoundland = list[list.IndexOfStandardName(QStringLiteral("Newfoundland Standard Time"))];
    EXPECT_TRUE(newfoundland.Display.startsWith(QStringLiteral("(UTC-03:30) ")));
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_LE(list[i].Std.size(), 31) << list[i].Std.toStdString();
        EXPECT_LE(list[i].Dlt.size(), 31) << list[i].Dlt.toStdString();
    }
}

TEST(TzCatalogue, DisplayOffsetFollowsTheBias) {
    EXPECT_EQ(DisplayForBias(QStringLiteral("(UTC+06:00) Бишкек"), -300), QStringLiteral("(UTC+05:00) Бишкек"));
    EXPECT_EQ(DisplayForBias(QStringLiteral("(UTC+00:00) Лондон"), 210), QStringLiteral("(UTC-03:30) Лондон"));
    EXPECT_EQ(DisplayForBias(QStringLiteral("Без смещения"), 60), QStringLiteral("Без смещения"));
}

TEST(TzCatalogue, FallsBackToTheEmbeddedCatalogue) {
    TzCatalogueOptions options;
    options.forceFallback = true;
    const TRegistry embedded = BuildSystemTimeZoneRegistry(kYear, options);
    TTimeZoneList list;
    LoadTimeZones(embedded, list, {});
    EXPECT_EQ(list.Count(), 139);
    EXPECT_EQ(StoredTzi(embedded, QStringLiteral("Eastern Standard Time")).DaylightDate, Rule(3, 0, 2, 2));

    // Neither the tz database nor the embedded copy: an empty catalogue, no error.
    options.fallbackPath = QStringLiteral(":/NoSuchCatalogue.reg");
    const TRegistry nothing = BuildSystemTimeZoneRegistry(kYear, options);
    TTimeZoneList empty;
    TIME_ZONE_INFORMATION clock1;
    clock1.Bias = 77;
    KnownZoneTargets targets;
    targets.clockZones[0] = &clock1;
    EXPECT_NO_THROW(LoadTimeZones(nothing, empty, targets));
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(clock1.Bias, 77);
}

// Zones the root lacks come from the embedded copy; with no copy they are left out.
TEST(TzCatalogue, TakesOnlyTheZonesTheRootHolds) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("Europe")));
    QFile moscow(root.filePath(QStringLiteral("Europe/Moscow")));
    ASSERT_TRUE(moscow.open(QIODevice::WriteOnly));
    moscow.close();

    TzCatalogueOptions options;
    options.zoneInfoRoot = root.path();
    options.fallbackPath = root.filePath(QStringLiteral("missing.reg"));
    const TRegistry registry = BuildSystemTimeZoneRegistry(kYear, options);
    TRegistryAccess reg(registry, HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTimeZonesKeyPath));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{QStringLiteral("Russian Standard Time")});

    options.fallbackPath = QStringLiteral(":/TimeZones.reg");
    EXPECT_EQ(BuildSystemTimeZoneRegistry(kYear, options).FindKey(HKEY_LOCAL_MACHINE, kTimeZonesKeyPath)
                  ->SubKeys().size(), 139u);
}

// Every catalogue zone, read back through the catalogue and converted by ZoneNow, shows
// what the tz database shows: at every hour of the year and a second either side of
// every change of offset.
TEST(TzCatalogue, ZoneNowAgreesWithTheTzDatabaseAllYear) {
    // Zones whose year the yearly form can't express, checked by hand against tzdata:
    //  - Morocco keeps +00 for Ramadan and then drops +01 for good in September: three
    //    changes in the year, the catalogue keeps the offset of the year's end.
    const std::set<QString> exempt = {QStringLiteral("Morocco Standard Time")};

    TTimeZoneList list;
    LoadTimeZones(SystemCatalogue(), list, {});
    const qint64 yearStart = QDateTime(QDate(kYear, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 yearEnd = QDateTime(QDate(kYear + 1, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    int checkedZones = 0;
    for (const WindowsZoneRow& row : WindowsZoneRows()) {
        const QString key = QString::fromLatin1(row.key);
        if (exempt.count(key)) continue;
        SCOPED_TRACE(row.key);
        const TIME_ZONE_INFORMATION record = list[list.IndexOfStandardName(key)].ToTimeZoneInformation();
        const QTimeZone zone(QByteArray(row.iana));

        std::vector<qint64> samples;
        for (qint64 ms = yearStart; ms < yearEnd; ms += 3'600'000) samples.push_back(ms);
        for (const auto& t : zone.transitions(QDateTime::fromMSecsSinceEpoch(yearStart, Qt::UTC),
                                              QDateTime::fromMSecsSinceEpoch(yearEnd, Qt::UTC))) {
            samples.push_back(t.atUtc.toMSecsSinceEpoch() - 1000);
            samples.push_back(t.atUtc.toMSecsSinceEpoch());
            samples.push_back(t.atUtc.toMSecsSinceEpoch() + 1000);
        }
        int mismatches = 0;
        for (const qint64 ms : samples) {
            const qint64 localMs = ms + qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC))) * 1000;
            const TDateTime expected = 25569.0 + static_cast<double>(localMs) / 86'400'000.0;
            const TDateTime actual = ZoneNow(record, SystemTimeFromUnixMs(ms));
            if (std::abs(actual - expected) * 86'400'000.0 >= 0.5 && mismatches++ < 3)
                ADD_FAILURE() << "at " << QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate).toStdString();
        }
        EXPECT_EQ(mismatches, 0);
        ++checkedZones;
    }
    EXPECT_EQ(checkedZones, 139 - static_cast<int>(exempt.size()));
}

// The embedded catalogue is this code's own output for its reference year. To
// regenerate it: HORAVANE_WRITE_FALLBACK=<repo>/resources/TimeZones.reg <this test>
// --gtest_filter='*WriteFallback*'.
TEST(TzCatalogue, WriteFallback) {
    const QByteArray target = qgetenv("HORAVANE_WRITE_FALLBACK");
    if (target.isEmpty()) GTEST_SKIP() << "set HORAVANE_WRITE_FALLBACK to regenerate the embedded catalogue";
    TzCatalogueOptions options;
    const TRegistry registry = BuildSystemTimeZoneRegistry(kFallbackYear, options);
    QFile file(QString::fromLocal8Bit(target));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(WriteRegExport(registry, HKEY_LOCAL_MACHINE, kTimeZonesKeyPath));
}
