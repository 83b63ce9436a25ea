#pragma once
// Builds the registry's "Time Zones" key (under HKEY_LOCAL_MACHINE) from the system tz
// database for one year: one subkey per Windows zone key of WindowsZoneTable, in its
// order, with "Display", "Dlt", "Std" (REG_SZ, Windows-1251) and "TZI" (44 bytes).
// Without the tz database an embedded export of the same key (resources/TimeZones.reg)
// stands in; without that too the registry stays empty. What is built is kept on disk
// for the next start (TzCatalogueCache.h).

#include "platform/Registry.h"
#include "timezones/CatalogueRows.h"
#include "timezones/TzCatalogueCache.h"
#include "timezones/WindowsZoneTable.h"

#include <QString>

#include <cstdint>
#include <vector>

class QTimeZone;

// A change of a zone's UTC offset (seconds east of UTC before and after it).
struct TOffsetChange {
    qint64 atUtcMs = 0;
    int before = 0;
    int after = 0;
    bool afterIsDaylight = false;  // the zone calls the new offset daylight time
};

// A zone's offsets over time, as the rule builders read them.
class IOffsetHistory {
public:
    virtual ~IOffsetHistory() = default;
    // Seconds east of UTC at the instant.
    virtual int OffsetAt(qint64 utcMs) const = 0;
    // The changes of offset after fromUtcMs up to and including toUtcMs, in time order;
    // a change of name or of the daylight flag alone is none. offsetAtFrom, when given,
    // receives the offset at fromUtcMs.
    virtual std::vector<TOffsetChange> Changes(qint64 fromUtcMs, qint64 toUtcMs,
                                               int* offsetAtFrom = nullptr) const = 0;
};

// The history the tz database keeps for a zone, read through QTimeZone.
class TQtZoneHistory final : public IOffsetHistory {
public:
    explicit TQtZoneHistory(const QTimeZone& zone) : zone_(zone) {}
    int OffsetAt(qint64 utcMs) const override;
    std::vector<TOffsetChange> Changes(qint64 fromUtcMs, qint64 toUtcMs,
                                       int* offsetAtFrom = nullptr) const override;

private:
    const QTimeZone& zone_;
};

// The zone's rule for year in the registry's yearly form: Bias from the standard offset,
// StandardBias 0, DaylightBias from the saving, and the two changes of the year as
// (month, weekday, occurrence 1-4 or 5 = last, local clock time). DaylightDate is read
// in local standard time, StandardDate in local daylight time; a change at midnight is
// written as 23:59:59.999 of the day before. A single change for good makes the new
// offset the standard time and the old one "daylight time" up to the change (the
// daylight start then stands at the year's last millisecond). A year without changes,
// or with more than the form can hold, gives both months 0 and the year-end offset.
REG_TZI_FORMAT TziForYear(const IOffsetHistory& zone, int year);
REG_TZI_FORMAT TziForYear(const QTimeZone& zone, int year);

// A rule that is right from the instant it was made for until it is made again.
struct TZoneRule {
    REG_TZI_FORMAT tzi;
    qint64 rebuildAtUtcMs = 0;
};
// The rule for the instant utcMs. A year the yearly form holds (two changes or fewer)
// gives that year's rule, to be made again at the next New Year (UTC). A year with three
// or more changes (Morocco's Ramadan time in 2029 and 2033) gives the rule of the two
// changes around the instant, to be made again when the next change comes.
TZoneRule ZoneRuleAt(const IOffsetHistory& zone, qint64 utcMs);

// display with its "(UTC+hh:mm)" prefix rewritten for bias.
QString DisplayForBias(const QString& display, int bias);

// Where the catalogue comes from; tests point it elsewhere.
struct TzCatalogueOptions {
    // A zone counts as present in the tz database when this root holds its file
    // (the rules themselves are read through QTimeZone).
    QString zoneInfoRoot = QStringLiteral("/usr/share/zoneinfo");
    bool forceFallback = false;
    QString fallbackPath = QStringLiteral(":/TimeZones.reg");
    // Where the built catalogue is kept between starts (TzCatalogueCache.h); empty keeps
    // nothing. It is kept only with the embedded fallback, whose every byte the
    // program's own identity vouches for.
    QString cacheFolder = DefaultCatalogueCacheFolder();
};

TCatalogueRows BuildCatalogueRowsAt(qint64 utcMs, const TzCatalogueOptions& options = {});

// The "Time Zones" key as it is right at one instant, and when it must be built again.
struct TZoneRegistryBuild {
    TRegistry registry;
    qint64 rebuildAtUtcMs = 0;
};

// The rows as registry keys: a TzDatabase row with its rule and the table's names, an
// Embedded one copied from the export at options.fallbackPath.
TZoneRegistryBuild CatalogueRegistry(const TCatalogueRows& rows, const TzCatalogueOptions& options = {});

// Every row from the tz database whose zone it has, with its rule for the instant utcMs;
// a zone missing there is taken from the embedded export when that has its key, and left
// out otherwise. Taken from the cache folder when a catalogue kept there was built for
// this program, this tz database and a span holding utcMs; built and kept there otherwise.
TZoneRegistryBuild BuildZoneRegistryAt(qint64 utcMs, const TzCatalogueOptions& options = {});

// The embedded export read into a registry; empty when it is missing or unreadable.
TRegistry LoadFallbackTimeZoneRegistry(const QString& path = QStringLiteral(":/TimeZones.reg"));
