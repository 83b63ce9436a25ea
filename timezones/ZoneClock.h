#pragma once
// Zone clock arithmetic: a UTC sample turned into a zone's local time by the yearly
// rule in a zone record, the date-time value, and the whole-hour offsets the chart uses.

#include "timezones/ZoneRecord.h"

#include <cstdint>
#include <optional>

// --- date-time value (days since 1899-12-30) ---
TDateTime EncodeDateTime(const SYSTEMTIME& st);  // wDayOfWeek ignored
SYSTEMTIME DecodeDateTime(TDateTime value);  // rounded to the millisecond first
int HourOf(TDateTime value);  // 0..23, after rounding to the ms
int MinuteOf(TDateTime value);  // 0..59, after rounding to the ms
TDateTime TimeOfDay(TDateTime value);  // the fraction of the day, [0, 1)
TDateTime MakeTimeOfDay(int hour, int minute, int second = 0, int ms = 0);  // 24:00 -> 1.0
// Times of day compare equal when less than one millisecond apart.
bool SameTime(TDateTime a, TDateTime b);
constexpr double kOneMillisecond = 1.0 / 86'400'000.0;

// --- conversion ---
// The UTC sample in the zone's local time (what SystemTimeToTzSpecificLocalTime gives).
TDateTime ZoneNow(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);
// Whole hours, truncated toward zero, by which zone's local time is ahead of
// chartZone's at the instant utc (negative when behind).
int ZoneHourOffset(const TIME_ZONE_INFORMATION& zone, const TIME_ZONE_INFORMATION& chartZone,
                   const SYSTEMTIME& utc);

// --- instants as milliseconds since 1970-01-01 00:00 UTC (what the clock's UtcMs gives) ---
// Minutes east of UTC the zone keeps at the instant.
int OffsetMinutesAt(const TIME_ZONE_INFORMATION& zone, int64_t utcMs);
// What the zone's clock reads at the instant, as milliseconds since 1970-01-01 00:00 of
// that clock.
int64_t LocalMsAt(const TIME_ZONE_INFORMATION& zone, int64_t utcMs);
// The instant at which the zone's clock reads localMs. A reading the clock repeats (the
// hour after daylight time ends) gives the first instant; one it skips (the hour daylight
// time jumps over) gives the instant it would have been under the offset before the jump.
int64_t UtcMsForLocal(const TIME_ZONE_INFORMATION& zone, int64_t localMs);
// The first instant after utcMs at which the zone's offset changes; none when its rule
// holds no change from now on.
std::optional<int64_t> NextOffsetChange(const TIME_ZONE_INFORMATION& zone, int64_t utcMs);

// The chart zone: New York's rule with its base bias set to -120 minutes.
TIME_ZONE_INFORMATION MakeChartZone(const TIME_ZONE_INFORMATION& newYorkClockZone);
