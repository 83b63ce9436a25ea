#pragma once
// Builds the registry's "Time Zones" key (under HKEY_LOCAL_MACHINE) from the system tz
// database for one year: one subkey per Windows zone key of WindowsZoneTable, in its
// order, with "Display", "Dlt", "Std" (REG_SZ, Windows-1251) and "TZI" (44 bytes).
// Without the tz database an embedded export of the same key (resources/TimeZones.reg)
// stands in; without that too the registry stays empty.

#include "platform/Registry.h"
#include "timezones/WindowsZoneTable.h"
#include "timezones/ZoneRecord.h"

#include <QString>

class QTimeZone;

// The zone's rule for year in the registry's yearly form: Bias from the standard offset,
// StandardBias 0, DaylightBias from the saving, and the two changes of the year as
// (month, weekday, occurrence 1-4 or 5 = last, local clock time). DaylightDate is read
// in local standard time, StandardDate in local daylight time; a change at midnight is
// written as 23:59:59.999 of the day before. A single change for good makes the new
// offset the standard time and the old one "daylight time" up to the change (the
// daylight start then stands at the year's last millisecond). A year without changes,
// or with more than the form can hold, gives both months 0 and the year-end offset.
REG_TZI_FORMAT TziForYear(const QTimeZone& zone, int year);

// display with its "(UTC+hh:mm)" prefix rewritten for bias.
QString DisplayForBias(const QString& display, int bias);

// Where the catalogue comes from; tests point it elsewhere.
struct TzCatalogueOptions {
    // A zone counts as present in the tz database when this root holds its file
    // (the rules themselves are read through QTimeZone).
    QString zoneInfoRoot = QStringLiteral("/usr/share/zoneinfo");
    bool forceFallback = false;
    QString fallbackPath = QStringLiteral(":/TimeZones.reg");
};

// Adds the key of one table row, with a rule for year taken from the tz database.
void AddZoneKey(TRegistry& registry, const WindowsZoneRow& row, int year);

// Every row from the tz database whose zone it has; a zone missing there is taken from
// the embedded export when that has its key, and left out otherwise.
TRegistry BuildSystemTimeZoneRegistry(int year, const TzCatalogueOptions& options);
TRegistry BuildSystemTimeZoneRegistry(int year);

// The embedded export read into a registry; empty when it is missing or unreadable.
TRegistry LoadFallbackTimeZoneRegistry(const QString& path = QStringLiteral(":/TimeZones.reg"));
