#include "timezones/TzCatalogue.h"

#include "platform/Clock.h"
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/ZoneClock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <optional>
#include <set>

namespace {

constexpr int kYear = 2026;

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
    static const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(kYear)).registry;
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
    const TRegistry embedded = BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options).registry;
    TTimeZoneList list;
    LoadTimeZones(embedded, list, {});
    EXPECT_EQ(list.Count(), 139);
    EXPECT_EQ(StoredTzi(embedded, QStringLiteral("Eastern Standard Time")).DaylightDate, Rule(3, 0, 2, 2));

    // Neither the tz database nor the embedded copy: an empty catalogue, no error.
    options.fallbackPath = QStringLiteral(":/NoSuchCatalogue.reg");
    const TRegistry nothing = BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options).registry;
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
    const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options).registry;
    TRegistryAccess reg(registry, HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTimeZonesKeyPath));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{QStringLiteral("Russian Standard Time")});

    options.fallbackPath = QStringLiteral(":/TimeZones.reg");
    EXPECT_EQ(BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options)
                  .registry.FindKey(HKEY_LOCAL_MACHINE, kTimeZonesKeyPath)
                  ->SubKeys().size(), 139u);
}

namespace {

constexpr qint64 kMinuteMs = 60'000;

qint64 CeilToMinute(qint64 ms) {
    return (ms + kMinuteMs - 1) / kMinuteMs * kMinuteMs;
}

struct CheckCounts {
    int builds = 0;
    long long points = 0;
    int mismatches = 0;
};

// Compares every catalogue zone of one build with the tz database at every minute of
// [from, to): the record's offset (as ZoneNow applies it) against QTimeZone's. Both are
// constant between their own changes, so the span falls into pieces between consecutive
// changes of either side, and one minute in a piece decides all of its minutes. The first
// minute of each piece, the last, and one in the middle are compared (a piece without a
// whole minute in it shows nothing). A change at midnight is stored as 23:59:59.999, so
// a record may change a millisecond early, between two minutes: no clock shows that.
void CheckBuild(const TRegistry& registry, qint64 from, qint64 to, CheckCounts& counts) {
    ++counts.builds;
    for (const WindowsZoneRow& row : WindowsZoneRows()) {
        const QString key = QString::fromLatin1(row.key);
        const TIME_ZONE_INFORMATION record = MakeZoneRecord(StoredTzi(registry, key), key, key);
        const QTimeZone zone(QByteArray(row.iana));
        std::set<qint64> changes = {from, to};
        for (const auto& t : zone.transitions(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                                              QDateTime::fromMSecsSinceEpoch(to, Qt::UTC)))
            changes.insert(std::clamp(t.atUtc.toMSecsSinceEpoch(), from, to));
        for (std::optional<int64_t> c = NextOffsetChange(record, from); c && *c < to;
             c = NextOffsetChange(record, *c))
            changes.insert(*c);
        std::set<qint64> points;
        for (auto it = changes.begin(); std::next(it) != changes.end(); ++it) {
            const qint64 first = CeilToMinute(*it);
            const qint64 last = CeilToMinute(*std::next(it)) - kMinuteMs;
            if (first > last) continue;
            points.insert({first, last, CeilToMinute(first + (last - first) / 2)});
        }
        for (const qint64 p : points) {
            ++counts.points;
            const int expected = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(p, Qt::UTC));
            if (OffsetMinutesAt(record, p) * 60 != expected && counts.mismatches++ < 10)
                ADD_FAILURE() << row.key << " at "
                              << QDateTime::fromMSecsSinceEpoch(p, Qt::UTC)
                                     .toString(Qt::ISODateWithMs)
                                     .toStdString()
                              << ": " << OffsetMinutesAt(record, p) << " min, tz database "
                              << expected / 60;
        }
    }
}

}  // namespace

// A program that runs from New Year 2026 to New Year 2038 keeps the catalogue it built
// last: built at start, and again at the first minute at or after the rebuild time of
// each build (New Year, or a change of a zone with three or more changes in its year,
// Morocco's in 2029 and 2033). Every zone shows the tz database's time all the way. So
// does a program started at one instant in each month, up to its first rebuild (from
// there on it rebuilds as the long-running one does).
TEST(TzCatalogue, ARunningProgramShowsTheTzDatabasesTimeFrom2026To2037) {
    const qint64 end = StartOfUtcYearMs(2038);
    CheckCounts counts;
    for (qint64 at = StartOfUtcYearMs(2026); at < end;) {
        const TZoneRegistryBuild build = BuildZoneRegistryAt(at);
        ASSERT_GT(build.rebuildAtUtcMs, at);
        const qint64 next = std::min(CeilToMinute(build.rebuildAtUtcMs), end);
        CheckBuild(build.registry, at, next, counts);
        at = next;
    }
    const int chained = counts.builds;
    for (int month = 0; month < 12 * 12; ++month) {
        const QDateTime start(QDate(2026 + month / 12, month % 12 + 1, 1 + month * 7 % 28),
                              QTime(month % 24, month % 60), Qt::UTC);
        const TZoneRegistryBuild build = BuildZoneRegistryAt(start.toMSecsSinceEpoch());
        CheckBuild(build.registry, start.toMSecsSinceEpoch(),
                   std::min(CeilToMinute(build.rebuildAtUtcMs), end), counts);
    }
    EXPECT_EQ(counts.mismatches, 0);
    // Morocco alone rebuilds at its changes: three times in 2029 and 2033 each.
    EXPECT_GE(chained, 12 + 6);
    std::cout << "catalogue check: " << WindowsZoneRows().size() << " zones, " << chained
              << " builds of the running program and " << counts.builds - chained
              << " fresh starts, " << counts.points << " instants compared, " << counts.mismatches
              << " mismatches\n";
}

// The version of this machine's tz database, as its compiled source names it.
QString TzDatabaseVersion() {
    QFile source(QStringLiteral("/usr/share/zoneinfo/tzdata.zi"));
    if (!source.open(QIODevice::ReadOnly)) return QString();
    const QByteArray first = source.readLine().trimmed();
    return first.startsWith("# version ") ? QString::fromLatin1(first.mid(10)) : QString();
}

// The catalogue embedded for systems without a tz database (resources/TimeZones.reg) is
// this code's output for the year and tz database it names (tools/write_fallback_catalogue
// writes it): a key for every row of the zone table, in order, with the table's names,
// and where this machine has that tz database, the very texts and rules this code makes
// of it. With another tz database the rules may differ; they are listed, not failed.
TEST(TzCatalogue, TheEmbeddedCatalogueIsThisCodesOutputForItsYear) {
    QFile file(QStringLiteral(":/TimeZones.reg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    const QRegularExpressionMatch made =
        QRegularExpression(QStringLiteral("^; tz database (\\S+), rules of (\\d{4})\r?$"),
                           QRegularExpression::MultilineOption)
            .match(QString::fromLatin1(text));
    ASSERT_TRUE(made.hasMatch()) << "the copy does not say what it was made from";
    const TRegistry embedded = ReadRegExport(text);
    const TRegistry now = BuildZoneRegistryAt(StartOfUtcYearMs(made.captured(2).toInt())).registry;
    TRegistryAccess reg(embedded, HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTimeZonesKeyPath));
    QStringList rows;
    for (const WindowsZoneRow& row : WindowsZoneRows()) rows << QString::fromLatin1(row.key);
    ASSERT_EQ(reg.GetKeyNames(), rows);

    QStringList differing;
    for (const QString& key : rows) {
        const auto value = [&key](const TRegistry& registry, const char* name) {
            return ZoneKey(registry, key)->FindValue(QLatin1String(name))->data;
        };
        for (const char* name : {"Std", "Dlt"}) EXPECT_EQ(value(embedded, name), value(now, name)) << key.toStdString();
        if (value(embedded, "Display") != value(now, "Display") || value(embedded, "TZI") != value(now, "TZI"))
            differing << key;
    }
    const QString here = TzDatabaseVersion();
    if (made.captured(1) == here)
        EXPECT_TRUE(differing.isEmpty()) << "not what this code makes of the tz database " << here.toStdString()
                                         << ", write the copy again: " << differing.join(", ").toStdString();
    else if (!differing.isEmpty())
        std::cout << "the tz database here (" << here.toStdString() << ") is not the embedded copy's ("
                  << made.captured(1).toStdString() << "); zones it has other rules for: "
                  << differing.join(", ").toStdString() << "\n";
}
