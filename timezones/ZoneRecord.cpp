#include "timezones/ZoneRecord.h"

namespace {

// UTC offsets in use lie between -12 and +14 hours; a day either way is never a zone.
constexpr int64_t kMaxBiasMinutes = 24 * 60;

bool PlausibleBias(int64_t bias) {
    return bias >= -kMaxBiasMinutes && bias <= kMaxBiasMinutes;
}

bool PlausibleTransition(const SYSTEMTIME& t) {
    if (t.wMonth == 0) return true;  // no daylight time: the date is not read
    if (t.wMonth > 12 || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999)
        return false;
    if (t.wYear == 0) return t.wDayOfWeek <= 6 && t.wDay >= 1 && t.wDay <= 5;
    return t.wDay >= 1 && t.wDay <= 31;
}

}  // namespace

bool PlausibleZoneRecord(const TIME_ZONE_INFORMATION& zone) {
    return PlausibleBias(zone.Bias) && PlausibleBias(int64_t{zone.Bias} + zone.StandardBias) &&
           PlausibleBias(int64_t{zone.Bias} + zone.DaylightBias) && PlausibleTransition(zone.StandardDate) &&
           PlausibleTransition(zone.DaylightDate);
}
