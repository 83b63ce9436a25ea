#pragma once
// Which catalogue entry is the user's own time (the reference zone), and the zone record
// the reference clock, the hour line and the marked hour work from.

#include "timezones/ZoneRecord.h"

class TTimeZoneList;

// The entry to select at start-up. savedOrComputer is the saved reference zone, or the
// computer's own when nothing is saved; the entry is found by its StandardName (the last
// entry with that Std, Latin letters without regard to case). When no entry has that
// name: the entry whose current offset and daylight rule equal the computer's zone, else
// the first entry with the computer's current offset, else the first entry. -1 only for
// an empty catalogue.
int ChooseReferenceIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                         const TIME_ZONE_INFORMATION& savedOrComputer, const SYSTEMTIME& utcNow);

// The reference zone for a selection index: the entry's record, or the computer's own
// record when the index selects nothing (an empty catalogue).
TIME_ZONE_INFORMATION ReferenceZoneRecord(const TTimeZoneList& catalogue, int index,
                                          const TIME_ZONE_INFORMATION& computerZone);

// Minutes east of UTC that zone keeps at the instant utc (daylight time included).
int CurrentOffsetMinutes(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);
// True when both records change to and from daylight time at the same moments by the
// same amounts; zones without daylight time all share one rule.
bool SameDaylightRule(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b);
