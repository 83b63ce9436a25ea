#pragma once
// Which catalogue entry is the user's own time (the reference zone), and the zone record
// the reference clock, the hour line and the marked hour work from.

#include "timezones/ZoneRecord.h"

#include <QString>
#include <QtGlobal>

class TTimeZoneList;

// The reference picker's item that follows the computer's own zone, whichever it is;
// choosing it removes the saved reference zone.
inline const QString kComputerTimeText = QStringLiteral("Время компьютера");

// The entry to select at start-up for a saved reference zone (savedOrComputer), found by
// its StandardName (the last entry with that Std, Latin letters without regard to case).
// When no entry has that name: the first entry that keeps the computer's offsets over
// the coming year. When none does, -1: the reference clock keeps the computer's own
// zone, so that it always shows the time the computer shows.
int ChooseReferenceIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                         const TIME_ZONE_INFORMATION& savedOrComputer, const SYSTEMTIME& utcNow);
// The computer's own entry, found as above; -1 when the catalogue has none that keeps
// its time.
int ComputerEntryIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                       const SYSTEMTIME& utcNow);

// The reference zone for a selection index: the entry's record, or the computer's own
// record when the index selects no entry ("Время компьютера").
TIME_ZONE_INFORMATION ReferenceZoneRecord(const TTimeZoneList& catalogue, int index,
                                          const TIME_ZONE_INFORMATION& computerZone);

// Minutes east of UTC that zone keeps at the instant utc (daylight time included).
int CurrentOffsetMinutes(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);
// True when both records keep the same offset at every instant of [fromUtcMs, toUtcMs)
// (milliseconds since 1970).
bool SameOffsets(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b, qint64 fromUtcMs,
                 qint64 toUtcMs);
