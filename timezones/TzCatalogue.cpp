#include "timezones/TzCatalogue.h"

#include "platform/Error.h"
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace {

struct OffsetChange {
    qint64 atUtcMs;
    int before;  // seconds east of UTC
    int after;
    bool afterIsDaylight;
};

// The changes of UTC offset whose local date (read before the change) lies in year.
std::vector<OffsetChange> OffsetChangesOfYear(const QTimeZone& zone, int year, int& endOffset) {
    const QDateTime from = QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC).addSecs(-14 * 3600);
    const QDateTime to = QDateTime(QDate(year + 1, 1, 1), QTime(0, 0), Qt::UTC).addSecs(14 * 3600);
    int offset = zone.offsetFromUtc(from);
    std::vector<OffsetChange> changes;
    const QDate yearStart(year, 1, 1), yearEnd(year, 12, 31);
    endOffset = offset;
    for (const QTimeZone::OffsetData& t : zone.transitions(from, to)) {
        if (t.offsetFromUtc == offset) continue;  // only the abbreviation changed
        const QDate localDate = t.atUtc.addSecs(offset).date();
        if (localDate >= yearStart && localDate <= yearEnd) {
            changes.push_back({t.atUtc.toMSecsSinceEpoch(), offset, t.offsetFromUtc,
                               t.daylightTimeOffset != 0});
            endOffset = t.offsetFromUtc;
        }
        offset = t.offsetFromUtc;
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

bool HasZoneFile(const TzCatalogueOptions& options, const char* iana) {
    return QFileInfo(options.zoneInfoRoot + QLatin1Char('/') + QLatin1String(iana)).isFile();
}

QString ZoneKeyPath(const QString& key) { return kTimeZonesKeyPath + QLatin1Char('\\') + key; }

}  // namespace

REG_TZI_FORMAT TziForYear(const QTimeZone& zone, int year) {
    int endOffset = 0;
    const std::vector<OffsetChange> changes = OffsetChangesOfYear(zone, year, endOffset);
    REG_TZI_FORMAT tzi;
    const bool daylightPeriod = changes.size() == 2 && changes[0].before == changes[1].after &&
                                changes[0].after == changes[1].before;
    if (changes.size() == 1) {
        // A change for good: the new offset is the standard time, and the old one runs
        // as "daylight time" from the start of the year up to the change. The daylight
        // start is put at the last millisecond of the year, so nothing else changes.
        const OffsetChange& change = changes[0];
        tzi.Bias = -change.after / 60;
        tzi.DaylightBias = -(change.before - change.after) / 60;
        tzi.StandardDate = YearlyRule(change.atUtcMs + qint64(change.before) * 1000);
        const QDate lastDay(year, 12, 31);
        tzi.DaylightDate = SYSTEMTIME{0, 12, static_cast<uint16_t>(lastDay.dayOfWeek() % 7), 5, 23, 59, 59, 999};
        return tzi;
    }
    if (!daylightPeriod) {
        tzi.Bias = -endOffset / 60;
        return tzi;
    }
    // Which of the two offsets is daylight time: the tz database's flag when it tells
    // them apart (Morocco's Ramadan time runs behind its standard time), else the larger.
    int daylight = std::max(changes[0].after, changes[1].after);
    if (changes[0].afterIsDaylight != changes[1].afterIsDaylight)
        daylight = changes[0].afterIsDaylight ? changes[0].after : changes[1].after;
    const int standard = daylight == changes[0].after ? changes[1].after : changes[0].after;
    const OffsetChange& toDaylight = changes[0].after == daylight ? changes[0] : changes[1];
    const OffsetChange& toStandard = changes[0].after == daylight ? changes[1] : changes[0];

    tzi.Bias = -standard / 60;
    tzi.StandardBias = 0;
    tzi.DaylightBias = -(daylight - standard) / 60;
    tzi.DaylightDate = YearlyRule(toDaylight.atUtcMs + qint64(standard) * 1000);
    tzi.StandardDate = YearlyRule(toStandard.atUtcMs + qint64(daylight) * 1000);
    return tzi;
}

QString DisplayForBias(const QString& display, int bias) {
    const int east = -bias;
    const QString prefix = QStringLiteral("(UTC%1%2:%3)")
                               .arg(east < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                               .arg(std::abs(east) / 60, 2, 10, QLatin1Char('0'))
                               .arg(std::abs(east) % 60, 2, 10, QLatin1Char('0'));
    if (!display.startsWith(QLatin1String("(UTC"))) return display;
    const qsizetype close = display.indexOf(QLatin1Char(')'));
    return close < 0 ? display : prefix + display.mid(close + 1);
}

namespace {

void AddZoneKey(TRegistry& registry, const WindowsZoneRow& row, const QTimeZone& zone, int year) {
    const QString key = QString::fromLatin1(row.key);
    const REG_TZI_FORMAT tzi = TziForYear(zone, year);
    const QString path = ZoneKeyPath(key);
    TRegKey& zoneKey = registry.CreateKey(HKEY_LOCAL_MACHINE, path);
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Display"),
                       DisplayForBias(QString::fromUtf8(row.display), tzi.Bias));
    QString daylightName = key;
    daylightName.replace(QLatin1String("Standard"), QLatin1String("Daylight"));
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Dlt"), daylightName);
    registry.SetString(HKEY_LOCAL_MACHINE, path, QStringLiteral("Std"), key);
    zoneKey.SetValue(QStringLiteral("TZI"), REG_BINARY,
                     QByteArray(reinterpret_cast<const char*>(&tzi), sizeof tzi));
}

}  // namespace

void AddZoneKey(TRegistry& registry, const WindowsZoneRow& row, int year) {
    AddZoneKey(registry, row, QTimeZone(QByteArray(row.iana)), year);
}

TRegistry LoadFallbackTimeZoneRegistry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    try {
        return ReadRegExport(file.readAll());
    } catch (const Exception&) {
        return {};  // a damaged embedded copy counts as a missing one
    }
}

TRegistry BuildSystemTimeZoneRegistry(int year, const TzCatalogueOptions& options) {
    TRegistry registry;
    std::optional<TRegistry> fallback;  // read only when a zone is missing
    for (const WindowsZoneRow& row : WindowsZoneRows()) {
        if (!options.forceFallback && HasZoneFile(options, row.iana)) {
            const QTimeZone zone(QByteArray(row.iana));
            if (zone.isValid()) {
                AddZoneKey(registry, row, zone, year);
                continue;
            }
        }
        if (!fallback) fallback = LoadFallbackTimeZoneRegistry(options.fallbackPath);
        const QString path = ZoneKeyPath(QString::fromLatin1(row.key));
        if (const TRegKey* stored = fallback->FindKey(HKEY_LOCAL_MACHINE, path)) {
            TRegKey& copy = registry.CreateKey(HKEY_LOCAL_MACHINE, path);
            for (const TRegValue& value : stored->Values()) copy.SetValue(value.name, value.type, value.data);
        }
    }
    return registry;
}

TRegistry BuildSystemTimeZoneRegistry(int year) { return BuildSystemTimeZoneRegistry(year, {}); }
