#pragma once
// The zone catalogue as rows, before it is written out as registry keys: what the
// catalogue's builder makes and what is kept of it between starts.

#include "timezones/ZoneRecord.h"

#include <QtGlobal>

#include <cstdint>
#include <vector>

// Where one row of the zone table got its key from.
enum class TZoneSource : uint8_t {
    Missing = 0,  // neither the tz database nor the embedded export has it
    TzDatabase = 1,  // its rule was made from the tz database
    Embedded = 2,  // copied from the embedded export
};

// The catalogue as it is right at one instant, row by row of WindowsZoneRows, before it
// is written out as registry keys; and when it must be built again: the earliest
// rebuild time of its zones' rules.
struct TCatalogueRows {
    std::vector<TZoneSource> sources;
    std::vector<REG_TZI_FORMAT> rules;  // of the TzDatabase rows; zero elsewhere
    qint64 rebuildAtUtcMs = 0;
};

// Milliseconds since 1970 of New Year's midnight (UTC) of year, and of the year after utcMs's.
qint64 StartOfUtcYearMs(int year);
qint64 NextUtcNewYearMs(qint64 utcMs);
