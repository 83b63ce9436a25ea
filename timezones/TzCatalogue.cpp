#include "timezones/TzCatalogue.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr qint64 kMsPerHour = 3'600'000;
constexpr qint64 kMsPerDay = 86'400'000;
// Far enough either side of an instant to find the changes around it in any zone
// (a zone changes its offset at least once a year or keeps it for good).
constexpr qint64 kAroundMs = 400 * kMsPerDay;

// The changes whose local date (read before the change) lies in year; endOffset is the
// offset the year ends with.
std::vector<TOffsetChange> OffsetChangesOfYear(const IOffsetHistory& zone, int year, int& endOffset) {
    const qint64 from = StartOfUtcYearMs(year) - 14 * kMsPerHour;
    const qint64 to = StartOfUtcYearMs(year + 1) + 14 * kMsPerHour;
    const QDate yearStart(year, 1, 1), yearEnd(year, 12, 31);
    std::vector<TOffsetChange> changes;
    const std::vector<TOffsetChange> around = zone.Changes(from, to, &endOffset);
    for (const TOffsetChange& change : around) {
        const QDate localDate =
            QDateTime::fromMSecsSinceEpoch(change.atUtcMs + qint64(change.before) * 1000, Qt::UTC).date();
        if (localDate >= yearStart && localDate <= yearEnd) {
            changes.push_back(change);
            endOffset = change.after;
        }
    }
    return changes;
}

// A change at localMs (milliseconds of local clock time since the epoch) as a yearly rule.
SYSTEMTIME YearlyRule(qint64 localMs) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(localMs, Qt::UTC);
    QDate date = local.date();
    QTime time = local.time();
    if (time == QTime(0, 0) && date.dayOfYear() > 1) {  // "24:00" of the day before
        date = date.addDays(-1);
        time = QTime(23, 59, 59, 999);
    }
    SYSTEMTIME rule;
    rule.wMonth = static_cast<uint16_t>(date.month());
    rule.wDayOfWeek = static_cast<uint16_t>(date.dayOfWeek() % 7);
    // The last occurrence reads as "last" (5), which carries over to other years.
    rule.wDay = static_cast<uint16_t>(date.day() + 7 > date.daysInMonth() ? 5 : (date.day() - 1) / 7 + 1);
    rule.wHour = static_cast<uint16_t>(time.hour());
    rule.wMinute = static_cast<uint16_t>(time.minute());
    rule.wSecond = static_cast<uint16_t>(time.second());
    rule.wMilliseconds = static_cast<uint16_t>(time.msec());
    return rule;
}

// Two changes that leave and restore one offset: a period of the other offset.
bool IsPeriod(const TOffsetChange& first, const TOffsetChange& second) {
    return first.before == second.after && first.after == second.before;
}

// The yearly rule of a period and the offset around it.
REG_TZI_FORMAT PeriodRule(const TOffsetChange& first, const TOffsetChange& second) {
    // Which of the two offsets is daylight time: the tz database's flag when it tells
    // them apart (Morocco's Ramadan time runs behind its standard time), else the larger.
    int daylight = std::max(first.after, second.after);
    if (first.afterIsDaylight != second.afterIsDaylight)
        daylight = first.afterIsDaylight ? first.after : second.after;
    const int standard = daylight == first.after ? second.after : first.after;
    const TOffsetChange& toDaylight = first.after == daylight ? first : second;
    const TOffsetChange& toStandard = first.after == daylight ? second : first;

    REG_TZI_FORMAT tzi;
    tzi.Bias = -standard / 60;
    tzi.StandardBias = 0;
    tzi.DaylightBias = -(daylight - standard) / 60;
    tzi.DaylightDate = YearlyRule(toDaylight.atUtcMs + qint64(standard) * 1000);
    tzi.StandardDate = YearlyRule(toStandard.atUtcMs + qint64(daylight) * 1000);
    return tzi;
}

REG_TZI_FORMAT FixedRule(int offsetSeconds) {
    REG_TZI_FORMAT tzi;
    tzi.Bias = -offsetSeconds / 60;
    return tzi;
}

bool HasZoneFile(const TzCatalogueOptions& options, const char* iana) {
    return QFileInfo(options.zoneInfoRoot + QLatin1Char('/') + QLatin1String(iana)).isFile();
}

QString ZoneKeyPath(const QString& key) {
    return kTimeZonesKeyPath + QLatin1Char('\\') + key;
}

}  // namespace

int TQtZoneHistory::OffsetAt(qint64 utcMs) const {
    return zone_.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC));
}

std::vector<TOffsetChange> TQtZoneHistory::Changes(qint64 fromUtcMs, qint64 toUtcMs,
                                                   int* offsetAtFrom) const {
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(fromUtcMs, Qt::UTC);
    int offset = zone_.offsetFromUtc(from);
    if (offsetAtFrom) *offsetAtFrom = offset;
    std::vector<TOffsetChange> changes;
    for (const QTimeZone::OffsetData& t :
         zone_.transitions(from.addMSecs(1), QDateTime::fromMSecsSinceEpoch(toUtcMs, Qt::UTC))) {
        if (t.offsetFromUtc == offset) continue;  // only the abbreviation changed
        changes.push_back({t.atUtc.toMSecsSinceEpoch(), offset, t.offsetFromUtc, t.daylightTimeOffset != 0});
        offset = t.offsetFromUtc;
    }
    return changes;
}

namespace {

// The yearly rule of a year's changes (see TziForYear).
REG_TZI_FORMAT YearRule(const std::vector<TOffsetChange>& changes, int endOffset, int year) {
    if (changes.size() == 1) {
        // A change for good: the new offset is the standard time, and the old one runs
        // as "daylight time" from the start of the year up to the change. The daylight
        // start is put at the last millisecond of the year, so nothing else changes.
        const TOffsetChange& change = changes[0];
        REG_TZI_FORMAT tzi = FixedRule(change.after);
        tzi.DaylightBias = -(change.before - change.after) / 60;
        tzi.StandardDate = YearlyRule(change.atUtcMs + qint64(change.before) * 1000);
        const QDate lastDay(year, 12, 31);
        tzi.DaylightDate =
            SYSTEMTIME{0, 12, static_cast<uint16_t>(lastDay.dayOfWeek() % 7), 5, 23, 59, 59, 999};
        return tzi;
    }
    if (changes.size() == 2 && IsPeriod(changes[0], changes[1])) return PeriodRule(changes[0], changes[1]);
    return FixedRule(endOffset);
}

}  // namespace

REG_TZI_FORMAT TziForYear(const IOffsetHistory& zone, int year) {
    int endOffset = 0;
    const std::vector<TOffsetChange> changes = OffsetChangesOfYear(zone, year, endOffset);
    return YearRule(changes, endOffset, year);
}

REG_TZI_FORMAT TziForYear(const QTimeZone& zone, int year) {
    return TziForYear(TQtZoneHistory(zone), year);
}

TZoneRule ZoneRuleAt(const IOffsetHistory& zone, qint64 utcMs) {
    const int year = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).date().year();
    const qint64 newYear = StartOfUtcYearMs(year + 1);
    int endOffset = 0;
    const std::vector<TOffsetChange> changes = OffsetChangesOfYear(zone, year, endOffset);
    if (changes.size() <= 2) return {YearRule(changes, endOffset, year), newYear};

    // More changes than the yearly form holds: the rule of the change just made and the
    // next one, right until that next one comes.
    const std::vector<TOffsetChange> before = zone.Changes(utcMs - kAroundMs, utcMs);
    const std::vector<TOffsetChange> after = zone.Changes(utcMs, utcMs + kAroundMs);
    if (after.empty()) return {FixedRule(zone.OffsetAt(utcMs)), newYear};
    const qint64 rebuildAt = std::min(after.front().atUtcMs, newYear);
    if (!before.empty() && IsPeriod(before.back(), after.front()))
        return {PeriodRule(before.back(), after.front()), rebuildAt};
    return {FixedRule(zone.OffsetAt(utcMs)), rebuildAt};
}

QString DisplayForBias(const QString& display, int bias) {
    if (!display.startsWith(QLatin1String("(UTC"))) return display;
    const qsizetype close = display.indexOf(QLatin1Char(')'));
    if (close < 0) return display;
    // Every zone's text at every start: printf costs a tenth of QString::arg here.
    const int east = -bias;
    char prefix[32];
    const int size = std::snprintf(prefix, sizeof prefix, "(UTC%c%02d:%02d)", east < 0 ? '-' : '+',
                                   std::abs(east) / 60, std::abs(east) % 60);
    return QLatin1String(prefix, size) + display.mid(close + 1);
}

namespace {

// The values go straight to the zone's key: looking the key up by its path for each of
// them costs more than the rule itself once the key has a hundred siblings.
void AddZoneKey(TRegKey& zones, const WindowsZoneRow& row, const REG_TZI_FORMAT& tzi) {
    const QString key = QString::fromLatin1(row.key);
    TRegKey& zoneKey = zones.AddSubKey(key);
    zoneKey.SetValue(QStringLiteral("Display"), REG_SZ,
                     ToAnsi(DisplayForBias(QString::fromUtf8(row.display), tzi.Bias)));
    QString daylightName = key;
    daylightName.replace(QLatin1String("Standard"), QLatin1String("Daylight"));
    zoneKey.SetValue(QStringLiteral("Dlt"), REG_SZ, ToAnsi(daylightName));
    zoneKey.SetValue(QStringLiteral("Std"), REG_SZ, ToAnsi(key));
    zoneKey.SetValue(QStringLiteral("TZI"), REG_BINARY,
                     QByteArray(reinterpret_cast<const char*>(&tzi), sizeof tzi));
}

}  // namespace

TRegistry LoadFallbackTimeZoneRegistry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    try {
        return ReadRegExport(file.readAll());
    } catch (const Exception&) {
        return {};  // a damaged embedded copy counts as a missing one
    }
}

namespace {

// The embedded export, read the first time a row needs it and then shared by the rows'
// build and the registry made of them.
class TFallbackExport {
public:
    explicit TFallbackExport(const QString& path) : path_(path) {}
    const TRegistry& Registry() {
        if (!registry_) registry_ = LoadFallbackTimeZoneRegistry(path_);
        return *registry_;
    }

private:
    QString path_;
    std::optional<TRegistry> registry_;
};

TCatalogueRows BuildRows(qint64 utcMs, const TzCatalogueOptions& options, TFallbackExport& fallback) {
    TCatalogueRows rows;
    rows.rebuildAtUtcMs = NextUtcNewYearMs(utcMs);
    const std::span<const WindowsZoneRow> table = WindowsZoneRows();
    rows.sources.assign(table.size(), TZoneSource::Missing);
    rows.rules.assign(table.size(), REG_TZI_FORMAT{});
    for (size_t i = 0; i < table.size(); ++i) {
        const WindowsZoneRow& row = table[i];
        if (!options.forceFallback && HasZoneFile(options, row.iana)) {
            const QTimeZone zone(QByteArray(row.iana));
            if (zone.isValid()) {
                const TZoneRule rule = ZoneRuleAt(TQtZoneHistory(zone), utcMs);
                rows.sources[i] = TZoneSource::TzDatabase;
                rows.rules[i] = rule.tzi;
                rows.rebuildAtUtcMs = std::min(rows.rebuildAtUtcMs, rule.rebuildAtUtcMs);
                continue;
            }
        }
        if (fallback.Registry().FindKey(HKEY_LOCAL_MACHINE, ZoneKeyPath(QString::fromLatin1(row.key))))
            rows.sources[i] = TZoneSource::Embedded;
    }
    return rows;
}

TZoneRegistryBuild RegistryOf(const TCatalogueRows& rows, TFallbackExport& fallback) {
    TZoneRegistryBuild build;
    build.rebuildAtUtcMs = rows.rebuildAtUtcMs;
    const std::span<const WindowsZoneRow> table = WindowsZoneRows();
    TRegKey* zones = nullptr;  // made with its first zone, as the registry would have it
    for (size_t i = 0; i < table.size() && i < rows.sources.size(); ++i) {
        const WindowsZoneRow& row = table[i];
        if (rows.sources[i] == TZoneSource::TzDatabase) {
            if (!zones) zones = &build.registry.CreateKey(HKEY_LOCAL_MACHINE, kTimeZonesKeyPath);
            AddZoneKey(*zones, row, rows.rules[i]);
        } else if (rows.sources[i] == TZoneSource::Embedded) {
            const QString path = ZoneKeyPath(QString::fromLatin1(row.key));
            if (const TRegKey* stored = fallback.Registry().FindKey(HKEY_LOCAL_MACHINE, path)) {
                TRegKey& copy = build.registry.CreateKey(HKEY_LOCAL_MACHINE, path);
                for (const TRegValue& value : stored->Values())
                    copy.SetValue(value.name, value.type, value.data);
            }
        }
    }
    return build;
}

}  // namespace

TCatalogueRows BuildCatalogueRowsAt(qint64 utcMs, const TzCatalogueOptions& options) {
    TFallbackExport fallback(options.fallbackPath);
    return BuildRows(utcMs, options, fallback);
}

TZoneRegistryBuild CatalogueRegistry(const TCatalogueRows& rows, const TzCatalogueOptions& options) {
    TFallbackExport fallback(options.fallbackPath);
    return RegistryOf(rows, fallback);
}

TZoneRegistryBuild BuildZoneRegistryAt(qint64 utcMs, const TzCatalogueOptions& options) {
    // Kept only when everything the rows are made of can be told apart: the embedded
    // export is part of the program, a file elsewhere is not.
    const bool keep = !options.cacheFolder.isEmpty() && !options.forceFallback &&
                      options.fallbackPath.startsWith(QLatin1String(":/"));
    const QByteArray key = keep ? CatalogueCacheKey(options.zoneInfoRoot) : QByteArray();
    const QString file = key.isEmpty() ? QString() : CatalogueCacheFile(options.cacheFolder);
    TFallbackExport fallback(options.fallbackPath);  // read at most once for both steps
    if (!file.isEmpty()) {
        if (const std::optional<TCatalogueRows> kept = ReadCatalogueCache(file, key, utcMs))
            return RegistryOf(*kept, fallback);
    }
    const TCatalogueRows rows = BuildRows(utcMs, options, fallback);
    if (!file.isEmpty()) WriteCatalogueCache(file, key, utcMs, rows);
    return RegistryOf(rows, fallback);
}
