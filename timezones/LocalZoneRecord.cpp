#include "timezones/LocalZoneRecord.h"

#include "platform/Clock.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"
#include "timezones/ZoneClock.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

namespace {

// Longer chains than this are a loop in a damaged database, not a real alias.
constexpr int kMaxLinkSteps = 16;

QString KeyOfRow(std::span<const TerritoryZone> territories, const QString& iana) {
    const QByteArray wanted = iana.toUtf8();
    for (const TerritoryZone& row : territories)
        if (wanted == row.iana) return QString::fromLatin1(row.key);
    return {};
}

qint64 StartOfYearMs(int year) {
    return QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
}

// Minutes east of UTC of the IANA zone at the start of each hour of the year.
std::vector<int> HourlyOffsets(const QTimeZone& zone, int year) {
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(StartOfYearMs(year), Qt::UTC);
    const QDateTime end = QDateTime(QDate(year + 1, 1, 1), QTime(0, 0), Qt::UTC);
    const auto hours = static_cast<size_t>(start.secsTo(end) / 3600);
    const QTimeZone::OffsetDataList changes = zone.transitions(start, end);

    std::vector<int> offsets(hours);
    int offset = zone.offsetFromUtc(start);
    qsizetype next = 0;
    for (size_t hour = 0; hour < hours; ++hour) {
        const qint64 ms = start.toMSecsSinceEpoch() + qint64(hour) * 3'600'000;
        while (next < changes.size() && changes[next].atUtc.toMSecsSinceEpoch() <= ms)
            offset = changes[next++].offsetFromUtc;
        offsets[hour] = offset / 60;
    }
    return offsets;
}

// Changes of offset lie at least this far apart; the sampling steps by it.
constexpr qint64 kSampleStepMs = 6 * 3'600'000;

qint64 UnixMs(const SYSTEMTIME& utc) {
    return QDateTime(QDate(utc.wYear, utc.wMonth, utc.wDay),
                     QTime(utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds), Qt::UTC)
        .toMSecsSinceEpoch();
}

int RecordOffsetMinutes(const TIME_ZONE_INFORMATION& zone, qint64 utcMs) {
    const SYSTEMTIME utc = SystemTimeFromUnixMs(utcMs);
    return static_cast<int>(std::llround((ZoneNow(zone, utc) - EncodeDateTime(utc)) * 1440.0));
}

}  // namespace

TZoneLinks TZoneLinks::Parse(const QString& tzdataZi) {
    TZoneLinks links;
    for (const QStringView line : QStringView(tzdataZi).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("L "))) continue;
        const QList<QStringView> fields = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() == 3) links.Add(fields[1].toString(), fields[2].toString());
    }
    return links;
}

TZoneLinks TZoneLinks::Load(const QString& zoneInfoDir) {
    QFile file(QDir(zoneInfoDir).filePath(QStringLiteral("tzdata.zi")));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) return Parse(QString::fromUtf8(file.readAll()));

    // Without the compiled text, the folder's own symbolic links say the same.
    TZoneLinks links;
    const QDir root(QDir(zoneInfoDir).canonicalPath());
    QDirIterator it(root.path(), QDir::Files | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (!info.isSymLink()) continue;
        const QString alias = root.relativeFilePath(info.filePath());
        const QString target = root.relativeFilePath(info.canonicalFilePath());
        if (alias.startsWith(QLatin1String("posix/")) || alias.startsWith(QLatin1String("right/")) ||
            info.canonicalFilePath().isEmpty() || target.startsWith(QLatin1String("..")))
            continue;
        links.Add(target, alias);
    }
    return links;
}

QString TZoneLinks::Resolve(const QString& name) const {
    QString current = name;
    for (int step = 0; step < kMaxLinkSteps; ++step) {
        const QString target = Target(current);
        if (target.isEmpty()) break;
        current = target;
    }
    return current;
}

QString WindowsKeyForZone(const QString& iana, const TZoneLinks& links,
                          std::span<const TerritoryZone> territories) {
    QString key = KeyOfRow(territories, iana);
    if (!key.isEmpty()) return key;

    QString current = iana;
    for (int step = 0; step < kMaxLinkSteps; ++step) {
        current = links.Target(current);
        if (current.isEmpty()) break;
        key = KeyOfRow(territories, current);
        if (!key.isEmpty()) return key;
    }

    // A zone renamed by the tz database is known to the table by an older alias.
    const QString zone = links.Resolve(iana);
    for (const TerritoryZone& row : territories)
        if (links.Resolve(QString::fromUtf8(row.iana)) == zone) return QString::fromLatin1(row.key);
    return {};
}

int IndexWithSameOffsets(const TTimeZoneList& catalogue, const QString& iana, int year) {
    const QTimeZone zone(iana.toUtf8());
    if (!zone.isValid() || catalogue.Count() == 0) return -1;
    const std::vector<int> offsets = HourlyOffsets(zone, year);
    const qint64 startMs = StartOfYearMs(year);
    for (int i = 0; i < catalogue.Count(); ++i) {
        const TIME_ZONE_INFORMATION record = catalogue[i].ToTimeZoneInformation();
        bool same = true;
        for (size_t hour = 0; same && hour < offsets.size(); ++hour)
            same = RecordOffsetMinutes(record, startMs + qint64(hour) * 3'600'000) == offsets[hour];
        if (same) return i;
    }
    return -1;
}

TIME_ZONE_INFORMATION LocalZoneRecord(const QString& iana, const TTimeZoneList& catalogue,
                                      const TZoneLinks& links, const SYSTEMTIME& utcNow) {
    const QString key = WindowsKeyForZone(iana, links);
    int index = key.isEmpty() ? -1 : catalogue.IndexOfStandardName(key);
    if (index < 0) index = IndexWithSameOffsets(catalogue, iana, utcNow.wYear);
    if (index >= 0) return catalogue[index].ToTimeZoneInformation();

    // Nothing in the catalogue fits: the zone's own rule still gives the right times.
    const QTimeZone zone(iana.toUtf8());
    if (!zone.isValid())
        return MakeZoneRecord(REG_TZI_FORMAT{}, QStringLiteral("UTC"), QStringLiteral("UTC"));
    return MakeZoneRecord(ZoneRuleAt(TQtZoneHistory(zone), UnixMs(utcNow)).tzi, iana, iana);
}

int TCLibraryHistory::OffsetAt(qint64 utcMs) const {
    return CLibraryOffsetAt(utcMs).seconds;
}

std::vector<TOffsetChange> TCLibraryHistory::Changes(qint64 fromUtcMs, qint64 toUtcMs,
                                                     int* offsetAtFrom) const {
    std::vector<TOffsetChange> changes;
    TCLibraryOffset before = CLibraryOffsetAt(fromUtcMs);
    if (offsetAtFrom) *offsetAtFrom = before.seconds;
    for (qint64 step = fromUtcMs; step < toUtcMs;) {
        const qint64 at = std::min(step + kSampleStepMs, toUtcMs);
        const TCLibraryOffset after = CLibraryOffsetAt(at);
        if (after.seconds != before.seconds) {
            // The change lies in (step, at]: halve down to the second it comes on
            // (localtime() reads whole seconds).
            qint64 low = step, high = at;
            while (high - low > 1000) {
                const qint64 middle = low + (high - low) / 2;
                (CLibraryOffsetAt(middle).seconds == before.seconds ? low : high) = middle;
            }
            const qint64 change = (low >= 0 ? low / 1000 : (low - 999) / 1000) * 1000 + 1000;
            changes.push_back({change, before.seconds, after.seconds, after.daylight});
        }
        before = after;
        step = at;
    }
    return changes;
}

namespace {

TIME_ZONE_INFORMATION ComputerZoneRecordByName(const TTimeZoneList& catalogue, qint64 utcMs,
                                               const TLocalZoneSource& source) {
    const QString name = LocalZoneName(source);
    // The tz database's links are read only for a name the table does not know itself,
    // so the usual start-up does not parse tzdata.zi.
    const TZoneLinks links =
        KeyOfRow(TerritoryZones(), name).isEmpty() ? TZoneLinks::Load(source.ZoneInfoDir()) : TZoneLinks();
    return LocalZoneRecord(name, catalogue, links, SystemTimeFromUnixMs(utcMs));
}

}  // namespace

TIME_ZONE_INFORMATION ComputerZoneRecord(const TTimeZoneList& catalogue, qint64 utcMs,
                                         const TLocalZoneSource& source) {
    if (TzFollowsCLibrary(source)) {
        tzset();  // localtime() reads $TZ as it is now
        const QString name = QStringLiteral("TZ=") + *source.tz;
        return MakeZoneRecord(ZoneRuleAt(TCLibraryHistory(), utcMs).tzi, name, name);
    }
    return ComputerZoneRecordByName(catalogue, utcMs, source);
}
