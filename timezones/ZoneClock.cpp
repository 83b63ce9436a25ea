#include "timezones/ZoneClock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// All arithmetic runs on whole milliseconds since 1899-12-30 00:00 in 64 bits, so a
// record with any 32-bit biases or any 16-bit fields stays well inside the range;
// the double of the date-time value is made only at the very end.

namespace {

constexpr int64_t kMsPerMinute = 60'000;
constexpr int64_t kMsPerHour = 3'600'000;
constexpr int64_t kMsPerDay = 86'400'000;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Day number (0 = 1899-12-30) of a proleptic Gregorian date; month 1..12, day 1..31.
int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

// Day number of the first of a month given as any count of months from year 0.
int64_t FirstOfMonth(int64_t year, int64_t month) {
    const int64_t months = year * 12 + (month - 1);
    return DayNumber(FloorDiv(months, 12), FloorMod(months, 12) + 1, 1);
}

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

CivilDate DateOfDay(int64_t dayNumber) {
    const int64_t z = dayNumber - 25569 + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2), month, day};
}

// 0 = Sunday; day 0 (1899-12-30) was a Saturday.
int WeekdayOfDay(int64_t dayNumber) {
    return static_cast<int>(FloorMod(dayNumber + 6, 7));
}

// Fields beyond their usual range count on linearly (month 13 is January of the next
// year, day 0 the last day of the month before), as calendar arithmetic does.
int64_t ToMs(const SYSTEMTIME& st) {
    const int64_t day = FirstOfMonth(st.wYear, st.wMonth) + st.wDay - 1;
    return day * kMsPerDay + st.wHour * kMsPerHour + st.wMinute * kMsPerMinute + st.wSecond * 1'000 +
           st.wMilliseconds;
}

// Values a double can carry to the millisecond; beyond them nothing is meaningful and
// the clamp only keeps the conversion defined.
constexpr double kMaxDays = 100'000'000.0;

int64_t RoundToMs(TDateTime value) {
    if (!std::isfinite(value)) return 0;
    value = std::clamp(value, -kMaxDays, kMaxDays);
    return std::llround(value * static_cast<double>(kMsPerDay));
}

TDateTime FromMs(int64_t ms) {
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

// --- the yearly rule ---
//
// How a record is read, including the records the operating system never produces
// (the settings file can hand over any 172 bytes):
//  - A zone has no daylight time, and keeps Bias alone all year, when either
//    transition's wMonth is 0, or either transition can't be placed in a year: wMonth
//    above 12, or, in a yearly rule (wYear 0), wDayOfWeek above 6.
//  - Yearly rule (wYear 0): the wDay-th wDayOfWeek of wMonth, wDay clamped to 1..5,
//    5 and above meaning the last one in the month, 0 the first.
//  - Absolute date (wYear not 0): day wDay of wMonth of that year, clamped to the
//    month's days; wDayOfWeek is ignored. The transition happens in that year only.
//  - The clock time counts as its milliseconds from midnight, every field adding on
//    (25:00 would be 01:00 of the next day), at most 24:00 so that a transition never
//    leaves its day.
//  - DaylightDate is read in local standard time (Bias + StandardBias), StandardDate
//    in local daylight time (Bias + DaylightBias).
//  - The state at an instant is that of the latest transition at or before it: daylight
//    time from the daylight transition inclusive, standard time from the standard one
//    inclusive. For an ordinary record this is daylight time between the two
//    transitions of the year of the local date in the north (DaylightDate's month
//    before StandardDate's) and outside them in the south, and it carries over New
//    Year without a seam. A record whose two transitions share a month and whose
//    daylight transition comes first thus keeps daylight time between them rather
//    than all year. Two transitions at the same instant leave standard time in effect;
//    before any transition at all the zone keeps standard time.

bool CanPlace(const SYSTEMTIME& t) {
    if (t.wMonth == 0 || t.wMonth > 12) return false;
    return t.wYear != 0 || t.wDayOfWeek <= 6;
}

int64_t ClockTimeMs(const SYSTEMTIME& t) {
    const int64_t ms = t.wHour * kMsPerHour + t.wMinute * kMsPerMinute + t.wSecond * 1'000 + t.wMilliseconds;
    return std::min(ms, kMsPerDay);
}

// The transition's local day in the given year (yearly rule) or its own year (absolute).
int64_t TransitionDay(const SYSTEMTIME& t, int64_t year) {
    const int64_t first = FirstOfMonth(year, t.wMonth);
    const int64_t length = FirstOfMonth(year, t.wMonth + 1) - first;
    if (t.wYear != 0) return first + std::clamp<int64_t>(t.wDay, 1, length) - 1;
    const int occurrence = std::clamp<int>(t.wDay, 1, 5);
    int64_t day = first + FloorMod(t.wDayOfWeek - WeekdayOfDay(first), 7) + (occurrence - 1) * 7;
    while (day >= first + length) day -= 7;
    return day;
}

// The transition as a UTC instant; localBias is the bias in effect before it.
int64_t TransitionUtc(const SYSTEMTIME& t, int64_t year, int64_t localBiasMinutes) {
    const int64_t local = TransitionDay(t, year) * kMsPerDay + ClockTimeMs(t);
    return local + localBiasMinutes * kMsPerMinute;
}

bool DaylightInEffect(const TIME_ZONE_INFORMATION& zone, int64_t utcMs) {
    const int64_t standardBias = int64_t{zone.Bias} + zone.StandardBias;
    const int64_t daylightBias = int64_t{zone.Bias} + zone.DaylightBias;
    const int64_t localYear = DateOfDay(FloorDiv(utcMs - standardBias * kMsPerMinute, kMsPerDay)).year;

    bool found = false;
    bool daylight = false;
    int64_t latest = 0;
    // Standard transitions are offered first and only a strictly later instant
    // replaces the one found, so a tie leaves standard time.
    auto offer = [&](int64_t instant, bool startsDaylight) {
        if (instant > utcMs) return;
        if (!found || instant > latest) {
            found = true;
            latest = instant;
            daylight = startsDaylight;
        }
    };
    auto offerAll = [&](const SYSTEMTIME& t, int64_t bias, bool startsDaylight) {
        if (t.wYear != 0) {
            offer(TransitionUtc(t, t.wYear, bias), startsDaylight);
            return;
        }
        // The previous year's transitions cover the start of the local year, the next
        // year's a local date already past New Year under the other bias.
        for (int64_t year = localYear - 1; year <= localYear + 1; ++year)
            offer(TransitionUtc(t, year, bias), startsDaylight);
    };
    offerAll(zone.StandardDate, daylightBias, false);
    offerAll(zone.DaylightDate, standardBias, true);
    return daylight;
}

// The bias in effect at an instant (ms since 1899-12-30 UTC).
int64_t BiasAt(const TIME_ZONE_INFORMATION& zone, int64_t utcMs) {
    int64_t bias = zone.Bias;
    if (CanPlace(zone.DaylightDate) && CanPlace(zone.StandardDate))
        bias += DaylightInEffect(zone, utcMs) ? zone.DaylightBias : zone.StandardBias;
    return bias;
}

int64_t ZoneNowMs(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    const int64_t utcMs = ToMs(utc);
    return utcMs - BiasAt(zone, utcMs) * kMsPerMinute;
}

// 1970-01-01 is day 25569 of the date-time value.
constexpr int64_t kUnixEpochMs = 25569 * kMsPerDay;

}  // namespace

// --- date-time value ---

TDateTime EncodeDateTime(const SYSTEMTIME& st) {
    return FromMs(ToMs(st));
}

SYSTEMTIME DecodeDateTime(TDateTime value) {
    // The years a SYSTEMTIME of this program can name: 1 to 9999.
    static const int64_t kFirstMs = DayNumber(1, 1, 1) * kMsPerDay;
    static const int64_t kLastMs = DayNumber(10000, 1, 1) * kMsPerDay - 1;
    const int64_t ms = std::clamp(RoundToMs(value), kFirstMs, kLastMs);
    const int64_t day = FloorDiv(ms, kMsPerDay);
    const int64_t inDay = ms - day * kMsPerDay;
    const CivilDate date = DateOfDay(day);
    SYSTEMTIME st;
    st.wYear = static_cast<uint16_t>(date.year);
    st.wMonth = static_cast<uint16_t>(date.month);
    st.wDayOfWeek = static_cast<uint16_t>(WeekdayOfDay(day));
    st.wDay = static_cast<uint16_t>(date.day);
    st.wHour = static_cast<uint16_t>(inDay / kMsPerHour);
    st.wMinute = static_cast<uint16_t>(inDay / kMsPerMinute % 60);
    st.wSecond = static_cast<uint16_t>(inDay / 1'000 % 60);
    st.wMilliseconds = static_cast<uint16_t>(inDay % 1'000);
    return st;
}

// The time of day of a value before 1899-12-30 counts forward from its own midnight
// (-0.25 is 1899-12-29 18:00), so every value has one time of day in [0, 1).
TDateTime TimeOfDay(TDateTime value) {
    return FromMs(FloorMod(RoundToMs(value), kMsPerDay));
}

int HourOf(TDateTime value) {
    return static_cast<int>(FloorMod(RoundToMs(value), kMsPerDay) / kMsPerHour);
}

int MinuteOf(TDateTime value) {
    return static_cast<int>(FloorMod(RoundToMs(value), kMsPerDay) / kMsPerMinute % 60);
}

TDateTime MakeTimeOfDay(int hour, int minute, int second, int ms) {
    return FromMs(hour * kMsPerHour + minute * kMsPerMinute + second * int64_t{1'000} + ms);
}

// Values a whole millisecond apart must never compare equal through the rounding of
// a double that also carries some 46 000 days, so the bound sits a hair below 1 ms.
bool SameTime(TDateTime a, TDateTime b) {
    return std::fabs(a - b) < kOneMillisecond * (1.0 - 1.0 / 64);
}

// --- conversion ---

TDateTime ZoneNow(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    return FromMs(ZoneNowMs(zone, utc));
}

int ZoneHourOffset(const TIME_ZONE_INFORMATION& zone, const TIME_ZONE_INFORMATION& chartZone,
                   const SYSTEMTIME& utc) {
    // Whole days and the minutes are dropped; the difference is exact in milliseconds.
    const int64_t difference = ZoneNowMs(zone, utc) - ZoneNowMs(chartZone, utc);
    const int64_t hours = (difference >= 0 ? difference : -difference) % kMsPerDay / kMsPerHour;
    return static_cast<int>(difference >= 0 ? hours : -hours);
}

int OffsetMinutesAt(const TIME_ZONE_INFORMATION& zone, int64_t utcMs) {
    return static_cast<int>(-BiasAt(zone, utcMs + kUnixEpochMs));
}

int64_t LocalMsAt(const TIME_ZONE_INFORMATION& zone, int64_t utcMs) {
    return utcMs + OffsetMinutesAt(zone, utcMs) * kMsPerMinute;
}

int64_t UtcMsForLocal(const TIME_ZONE_INFORMATION& zone, int64_t localMs) {
    // The zone keeps one of two offsets; a reading belongs to an offset when that offset,
    // in effect at the instant it gives, gives the reading back.
    const int64_t offsets[2] = {-(int64_t{zone.Bias} + zone.StandardBias),
                                -(int64_t{zone.Bias} + zone.DaylightBias)};
    std::optional<int64_t> first;
    for (const int64_t offset : offsets) {
        const int64_t utc = localMs - offset * kMsPerMinute;
        if (LocalMsAt(zone, utc) == localMs && (!first || utc < *first)) first = utc;
    }
    if (first) return *first;
    // Skipped: the offset in effect an hour before, which the jump replaced.
    const int64_t before = localMs - offsets[0] * kMsPerMinute - kMsPerHour;
    return localMs - OffsetMinutesAt(zone, before) * kMsPerMinute;
}

std::optional<int64_t> NextOffsetChange(const TIME_ZONE_INFORMATION& zone, int64_t utcMs) {
    if (!CanPlace(zone.DaylightDate) || !CanPlace(zone.StandardDate)) return std::nullopt;
    // Every transition of the rule from the year before to the year after next, as
    // instants; the first after utcMs that moves the clock is the change. A yearly rule
    // that changes nothing in two years changes nothing at all.
    const int64_t at = utcMs + kUnixEpochMs;
    const int64_t year = DateOfDay(FloorDiv(at, kMsPerDay)).year;
    const int64_t standardBias = int64_t{zone.Bias} + zone.StandardBias;
    const int64_t daylightBias = int64_t{zone.Bias} + zone.DaylightBias;
    std::vector<int64_t> candidates;
    auto add = [&](const SYSTEMTIME& t, int64_t bias) {
        if (t.wYear != 0) {
            candidates.push_back(TransitionUtc(t, t.wYear, bias));
            return;
        }
        for (int64_t y = year - 1; y <= year + 2; ++y) candidates.push_back(TransitionUtc(t, y, bias));
    };
    add(zone.StandardDate, daylightBias);
    add(zone.DaylightDate, standardBias);
    std::sort(candidates.begin(), candidates.end());
    for (const int64_t candidate : candidates) {
        if (candidate <= at) continue;
        if (BiasAt(zone, candidate) != BiasAt(zone, candidate - 1)) return candidate - kUnixEpochMs;
    }
    return std::nullopt;
}

TIME_ZONE_INFORMATION MakeChartZone(const TIME_ZONE_INFORMATION& newYorkClockZone) {
    TIME_ZONE_INFORMATION chart = newYorkClockZone;
    chart.Bias = -120;
    return chart;
}
