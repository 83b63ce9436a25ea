#pragma once
// Which catalogue entry is the user's own time (the reference zone), and the zone record
// the reference clock, the hour line and the marked hour work from.

#include "timezones/ZoneRecord.h"

#include <QtGlobal>

class TTimeZoneList;

// The entry to select at start-up. savedOrComputer is the saved reference zone, or the
// computer's own when nothing is saved; the entry is found by its StandardName (the last
// entry with that Std, Latin letters without regard to case). When no entry has that
// name: the first entry that keeps the computer's offsets over the coming year. When
// none does, -1: no entry is selected and the reference clock keeps the computer's own
// zone, so that it always shows the time the computer shows.
int ChooseReferenceIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                         const TIME_ZONE_INFORMATION& savedOrComputer, const SYSTEMTIME& utcNow);

// The reference zone for a selection index: the entry's record, or the computer's own
// record when the index selects nothing (an empty catalogue).
TIME_ZONE_INFORMATION ReferenceZoneRecord(const TTimeZoneList& catalogue, int index,
                                          const TIME_ZONE_INFORMATION& computerZone);

// Minutes east of UTC that zone keeps at the instant utc (daylight time included).
int CurrentOffsetMinutes(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);
// True when both records keep the same offset at every instant of [fromUtcMs, toUtcMs)
// (milliseconds since 1970).
bool SameOffsets(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b, qint64 fromUtcMs,
                 qint64 toUtcMs);
