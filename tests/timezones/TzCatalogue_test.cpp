#include "timezones/TzCatalogue.h"

#include "platform/Clock.h"
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogueCache.h"
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

SYSTEMTIME Rule(uint16_t month, uint16_t weekday, uint16_t occurrence, uint16_t hour, uint16_t minute = 0,
                uint16_t second = 0, uint16_t ms = 0) {
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

// Built afresh, never taken from or kept in a cache folder.
TzCatalogueOptions Uncached() {
    TzCatalogueOptions options;
    options.cacheFolder.clear();
    return options;
}

const TRegistry& SystemCatalogue() {
    static const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(kYear), Uncached()).registry;
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
    const TRegTimeZone& newfoundland =
        list[list.IndexOfStandardName(QStringLiteral("Newfoundland Standard Time"))];
    EXPECT_TRUE(newfoundland.Display.startsWith(QStringLiteral("(UTC-03:30) ")));
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_LE(list[i].Std.size(), 31) << list[i].Std.toStdString();
        EXPECT_LE(list[i].Dlt.size(), 31) << list[i].Dlt.toStdString();
    }
}

TEST(TzCatalogue, DisplayOffsetFollowsTheBias) {
    EXPECT_EQ(DisplayForBias(QStringLiteral("(UTC+06:00) Бишкек"), -300),
              QStringLiteral("(UTC+05:00) Бишкек"));
    EXPECT_EQ(DisplayForBias(QStringLiteral("(UTC+00:00) Лондон"), 210),
              QStringLiteral("(UTC-03:30) Лондон"));
    EXPECT_EQ(DisplayForBias(QStringLiteral("Без смещения"), 60), QStringLiteral("Без смещения"));
}

TEST(TzCatalogue, FallsBackToTheEmbeddedCatalogue) {
    TzCatalogueOptions options = Uncached();
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

    TzCatalogueOptions options = Uncached();
    options.zoneInfoRoot = root.path();
    options.fallbackPath = root.filePath(QStringLiteral("missing.reg"));
    const TRegistry registry = BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options).registry;
    TRegistryAccess reg(registry, HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTimeZonesKeyPath));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{QStringLiteral("Russian Standard Time")});

    options.fallbackPath = QStringLiteral(":/TimeZones.reg");
    EXPECT_EQ(BuildZoneRegistryAt(StartOfUtcYearMs(kYear), options)
                  .registry.FindKey(HKEY_LOCAL_MACHINE, kTimeZonesKeyPath)
                  ->SubKeys()
                  .size(),
              139u);
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
                ADD_FAILURE()
                    << row.key << " at "
                    << QDateTime::fromMSecsSinceEpoch(p, Qt::UTC).toString(Qt::ISODateWithMs).toStdString()
                    << ": " << OffsetMinutesAt(record, p) << " min, tz database " << expected / 60;
        }
    }
}

}  // namespace

// A program that runs from New Year 2026 to New Year 2038 keeps the catalogue it built
// last: built at start, and again at the first minute at or after the rebuild time of
// each build (New Year, or a change of a zone with three or more changes in its year,
// Morocco's in 2029 and 2033). Every zone shows the tz database's time all the way. So
// does a program started at one instant in each month, up to its first rebuild (from
// there on it rebuilds as the long-running one does), most of them with the catalogue
// an earlier start kept in the cache folder.
TEST(TzCatalogue, ARunningProgramShowsTheTzDatabasesTimeFrom2026To2037) {
    QTemporaryDir cache;
    TzCatalogueOptions options;
    options.cacheFolder = cache.path();
    QFile kept(CatalogueCacheFile(cache.path()));
    const auto keptBytes = [&kept] {
        QByteArray bytes = kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray();
        kept.close();
        return bytes;
    };
    int taken = 0;  // starts that found the kept file right for them and left it as it was
    const auto start = [&](qint64 at) {
        const QByteArray before = keptBytes();
        TZoneRegistryBuild build = BuildZoneRegistryAt(at, options);
        taken += !before.isEmpty() && keptBytes() == before;
        return build;
    };

    const qint64 end = StartOfUtcYearMs(2038);
    CheckCounts counts;
    for (qint64 at = StartOfUtcYearMs(2026); at < end;) {
        const TZoneRegistryBuild build = start(at);
        ASSERT_GT(build.rebuildAtUtcMs, at);
        const qint64 next = std::min(CeilToMinute(build.rebuildAtUtcMs), end);
        CheckBuild(build.registry, at, next, counts);
        at = next;
    }
    const int chained = counts.builds;
    EXPECT_EQ(taken, 0);  // each rebuild time ends the span the kept catalogue was right for
    for (int month = 0; month < 12 * 12; ++month) {
        const QDateTime at(QDate(2026 + month / 12, month % 12 + 1, 1 + month * 7 % 28),
                           QTime(month % 24, month % 60), Qt::UTC);
        const TZoneRegistryBuild build = start(at.toMSecsSinceEpoch());
        CheckBuild(build.registry, at.toMSecsSinceEpoch(), std::min(CeilToMinute(build.rebuildAtUtcMs), end),
                   counts);
    }
    EXPECT_EQ(counts.mismatches, 0);
    // Morocco alone rebuilds at its changes: three times in 2029 and 2033 each.
    EXPECT_GE(chained, 12 + 6);
    // A new year's first start builds; the later ones of that year take its catalogue
    // (but in Morocco's years, between its changes).
    EXPECT_GE(taken, 12 * 10);
    std::cout << "catalogue check: " << WindowsZoneRows().size() << " zones, " << chained
              << " builds of the running program and " << counts.builds - chained << " fresh starts ("
              << taken << " with the kept catalogue), " << counts.points << " instants compared, "
              << counts.mismatches << " mismatches\n";
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
    const TRegistry now =
        BuildZoneRegistryAt(StartOfUtcYearMs(made.captured(2).toInt()), Uncached()).registry;
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
        for (const char* name : {"Std", "Dlt"})
            EXPECT_EQ(value(embedded, name), value(now, name)) << key.toStdString();
        if (value(embedded, "Display") != value(now, "Display") ||
            value(embedded, "TZI") != value(now, "TZI"))
            differing << key;
    }
    const QString here = TzDatabaseVersion();
    if (made.captured(1) == here)
        EXPECT_TRUE(differing.isEmpty())
            << "not what this code makes of the tz database " << here.toStdString()
            << ", write the copy again: " << differing.join(", ").toStdString();
    else if (!differing.isEmpty())
        std::cout << "the tz database here (" << here.toStdString() << ") is not the embedded copy's ("
                  << made.captured(1).toStdString()
                  << "); zones it has other rules for: " << differing.join(", ").toStdString() << "\n";
}

namespace {

// A tz database of two zone files (this machine's Moscow and New York, so the rules are
// real) under a root of its own, and a cache folder; the other rows come from the
// embedded export.
struct SmallTzDatabase {
    QTemporaryDir root, cache;
    TzCatalogueOptions options;

    SmallTzDatabase() {
        WriteFile(QStringLiteral("tzdata.zi"), "# version 2099z\n");
        for (const char* zone : {"Europe/Moscow", "America/New_York"}) CopyZone(zone);
        options.zoneInfoRoot = root.path();
        options.cacheFolder = cache.path();
    }
    void WriteFile(const QString& name, const QByteArray& bytes) const {
        QDir(root.path()).mkpath(QFileInfo(name).path());
        QFile file(root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void CopyZone(const char* zone) const {
        QFile system(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone));
        ASSERT_TRUE(system.open(QIODevice::ReadOnly));
        WriteFile(QLatin1String(zone), system.readAll());
    }
    QString File() const { return CatalogueCacheFile(cache.path()); }
    QByteArray Key() const { return CatalogueCacheKey(root.path()); }
    QByteArray Kept() const {
        QFile file(File());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

size_t RowOf(const char* key) {
    const auto rows = WindowsZoneRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (qstrcmp(rows[i].key, key) == 0) return i;
    return rows.size();
}

QByteArray Export(const TRegistry& registry) {
    return WriteRegExport(registry, HKEY_LOCAL_MACHINE, kTimeZonesKeyPath);
}

const qint64 kBuiltAt = QDateTime(QDate(2026, 3, 10), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
const size_t kMoscow = RowOf("Russian Standard Time");

// The real rows at kBuiltAt with Moscow one hour further east, as no build makes them:
// a start that shows that Bias took the kept catalogue.
TCatalogueRows PlantedRows(const SmallTzDatabase& db) {
    TCatalogueRows rows = BuildCatalogueRowsAt(kBuiltAt, db.options);
    rows.rules[kMoscow].Bias -= 60;
    return rows;
}

int MoscowBias(const TZoneRegistryBuild& build) {
    return StoredTzi(build.registry, QStringLiteral("Russian Standard Time")).Bias;
}

}  // namespace

// A start takes the kept catalogue from the instant it was built until its rebuild time,
// and only while the program and the tz database are those it was built by and from; in
// every other case it builds, and keeps what it built in the file's place.
TEST(TzCatalogueCache, AStartTakesTheKeptCatalogueOnlyWhereItIsRight) {
    SmallTzDatabase db;
    const TCatalogueRows real = BuildCatalogueRowsAt(kBuiltAt, db.options);
    ASSERT_EQ(real.sources[kMoscow], TZoneSource::TzDatabase);
    EXPECT_EQ(real.sources[RowOf("Eastern Standard Time")], TZoneSource::TzDatabase);
    EXPECT_EQ(real.sources[RowOf("Tokyo Standard Time")], TZoneSource::Embedded);
    EXPECT_EQ(real.rebuildAtUtcMs, StartOfUtcYearMs(2027));
    ASSERT_FALSE(db.Key().isEmpty());

    // The first start builds and keeps exactly what a build without a cache gives.
    TzCatalogueOptions uncached = db.options;
    uncached.cacheFolder.clear();
    const TZoneRegistryBuild built = BuildZoneRegistryAt(kBuiltAt, db.options);
    EXPECT_EQ(Export(built.registry), Export(BuildZoneRegistryAt(kBuiltAt, uncached).registry));
    EXPECT_EQ(MoscowBias(built), -180);
    const std::optional<TCatalogueRows> kept = DecodeCatalogueCache(db.Kept(), db.Key(), kBuiltAt);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->sources, real.sources);
    EXPECT_EQ(kept->rebuildAtUtcMs, real.rebuildAtUtcMs);
    // What a later start makes of it is what the build gave.
    const TZoneRegistryBuild later = BuildZoneRegistryAt(kBuiltAt + 3'600'000, db.options);
    EXPECT_EQ(Export(later.registry), Export(built.registry));
    EXPECT_EQ(later.rebuildAtUtcMs, built.rebuildAtUtcMs);

    const auto plant = [&db] {
        ASSERT_TRUE(WriteCatalogueCache(db.File(), db.Key(), kBuiltAt, PlantedRows(db)));
    };
    const auto takenAt = [&db](qint64 at) { return MoscowBias(BuildZoneRegistryAt(at, db.options)) == -240; };
    plant();
    EXPECT_TRUE(takenAt(kBuiltAt));
    EXPECT_TRUE(takenAt(StartOfUtcYearMs(2027) - 1));
    EXPECT_FALSE(takenAt(StartOfUtcYearMs(2027)));  // past its rebuild time
    EXPECT_TRUE(DecodeCatalogueCache(db.Kept(), db.Key(), StartOfUtcYearMs(2027)));  // kept anew
    plant();
    EXPECT_FALSE(takenAt(kBuiltAt - 1));  // a clock set back before it was built
    EXPECT_EQ(MoscowBias(BuildZoneRegistryAt(kBuiltAt, db.options)), -180);  // kept anew, right

    // Another state of the tz database: a zone file changed, one added, another version.
    const auto anotherTzDatabase = [&](const std::function<void()>& change) {
        plant();
        const QByteArray before = db.Key();
        change();
        EXPECT_NE(db.Key(), before);
        EXPECT_FALSE(takenAt(kBuiltAt + 1));
    };
    anotherTzDatabase([&db] {
        QFile moscow(db.root.filePath(QStringLiteral("Europe/Moscow")));
        ASSERT_TRUE(moscow.open(QIODevice::ReadWrite));
        moscow.setFileTime(moscow.fileTime(QFileDevice::FileModificationTime).addSecs(1),
                           QFileDevice::FileModificationTime);
    });
    anotherTzDatabase([&db] { db.CopyZone("Asia/Tokyo"); });
    anotherTzDatabase([&db] { db.WriteFile(QStringLiteral("tzdata.zi"), "# version 2099y\n"); });
    EXPECT_EQ(BuildCatalogueRowsAt(kBuiltAt, db.options).sources[RowOf("Tokyo Standard Time")],
              TZoneSource::TzDatabase);

    // Not kept with a fallback outside the program, nor with the fallback forced.
    TzCatalogueOptions outside = db.options;
    outside.fallbackPath = db.root.filePath(QStringLiteral("TimeZones.reg"));
    plant();
    EXPECT_NE(MoscowBias(BuildZoneRegistryAt(kBuiltAt, outside)), -240);
    EXPECT_EQ(db.Kept(), EncodeCatalogueCache(db.Key(), kBuiltAt, PlantedRows(db)));  // untouched
}

// No damage makes a kept catalogue give a zone: every byte changed, every cut, and
// well-sealed files whose rows no build makes are refused; a start then builds, and a
// cache folder it cannot use costs it nothing but the time.
TEST(TzCatalogueCache, ADamagedKeptCatalogueIsNeverTaken) {
    SmallTzDatabase db;
    const TCatalogueRows planted = PlantedRows(db);
    const QByteArray key = db.Key();
    const QByteArray good = EncodeCatalogueCache(key, kBuiltAt, planted);
    ASSERT_TRUE(DecodeCatalogueCache(good, key, kBuiltAt));
    int taken = 0;
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bytes = good;
        bytes[i] = char(bytes[i] ^ (1 << (i % 8)));
        taken += DecodeCatalogueCache(bytes, key, kBuiltAt).has_value();
        taken += DecodeCatalogueCache(good.left(i), key, kBuiltAt).has_value();
    }
    EXPECT_EQ(taken, 0);
    EXPECT_FALSE(DecodeCatalogueCache(good + '\0', key, kBuiltAt));
    EXPECT_FALSE(DecodeCatalogueCache(good, QByteArray(), kBuiltAt));

    // Sealed as this program seals them, but not rows a build makes.
    const auto refused = [&](const std::function<void(TCatalogueRows&)>& change, qint64 builtAt = kBuiltAt) {
        TCatalogueRows rows = planted;
        change(rows);
        return !DecodeCatalogueCache(EncodeCatalogueCache(key, builtAt, rows), key, kBuiltAt);
    };
    EXPECT_TRUE(refused([](TCatalogueRows& rows) {
        rows.sources.pop_back();
        rows.rules.pop_back();
    }));
    EXPECT_TRUE(refused([](TCatalogueRows& rows) { rows.sources[3] = TZoneSource(3); }));
    EXPECT_TRUE(refused([](TCatalogueRows& rows) { rows.rules[kMoscow].DaylightDate.wMonth = 13; }));
    EXPECT_TRUE(refused([](TCatalogueRows& rows) { rows.rules[kMoscow].Bias = 25 * 60; }));
    EXPECT_TRUE(refused([](TCatalogueRows& rows) { rows.rebuildAtUtcMs = StartOfUtcYearMs(2027) + 1; }));
    EXPECT_TRUE(refused([](TCatalogueRows&) {}, kBuiltAt + 1));
    EXPECT_FALSE(refused([](TCatalogueRows&) {}));

    // Through a start: a cut file, a folder in the file's place, no folder to be had.
    TzCatalogueOptions uncached = db.options;
    uncached.cacheFolder.clear();
    const QByteArray right = Export(BuildZoneRegistryAt(kBuiltAt, uncached).registry);
    QFile cut(db.File());
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(good.left(good.size() - 1));
    cut.close();
    EXPECT_EQ(Export(BuildZoneRegistryAt(kBuiltAt, db.options).registry), right);
    EXPECT_TRUE(DecodeCatalogueCache(db.Kept(), key, kBuiltAt));  // replaced by a whole one

    ASSERT_TRUE(QFile::remove(db.File()));
    ASSERT_TRUE(QDir().mkpath(db.File()));
    EXPECT_EQ(Export(BuildZoneRegistryAt(kBuiltAt, db.options).registry), right);

    TzCatalogueOptions blocked = db.options;
    blocked.cacheFolder = db.root.filePath(QStringLiteral("tzdata.zi")) + QStringLiteral("/horavane");
    EXPECT_EQ(Export(BuildZoneRegistryAt(kBuiltAt, blocked).registry), right);
}

// The program's identity is the build id note its linker wrote into the file.
TEST(TzCatalogueCache, TheProgramIsKnownByItsBuildId) {
    QFile self(QStringLiteral("/proc/self/exe"));
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray file = self.readAll();
    // namesz 4, descsz 20, type 3 (NT_GNU_BUILD_ID), "GNU\0", then the id.
    const QByteArray header("\x04\0\0\0\x14\0\0\0\x03\0\0\0GNU\0", 16);
    const qsizetype at = file.indexOf(header);
    ASSERT_GE(at, 0) << "the test program carries no build id";
    EXPECT_EQ(ProgramBuildId().toHex(), file.mid(at + header.size(), 20).toHex());
}
