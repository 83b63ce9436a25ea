#include "timezones/ReferenceZone.h"

#include "timezones/TimeZones.h"
#include "timezones/ZoneClock.h"

#include <cmath>

namespace {

bool HasDaylightTime(const TIME_ZONE_INFORMATION& zone) {
    return zone.DaylightDate.wMonth != 0 && zone.StandardDate.wMonth != 0;
}

}  // namespace

int CurrentOffsetMinutes(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    return static_cast<int>(std::llround((ZoneNow(zone, utc) - EncodeDateTime(utc)) * 1440.0));
}

bool SameDaylightRule(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
    if (!HasDaylightTime(a) || !HasDaylightTime(b))
        return HasDaylightTime(a) == HasDaylightTime(b) && a.Bias + a.StandardBias == b.Bias + b.StandardBias;
    return a.Bias + a.StandardBias == b.Bias + b.StandardBias &&
           a.Bias + a.DaylightBias == b.Bias + b.DaylightBias && a.StandardDate == b.StandardDate &&
           a.DaylightDate == b.DaylightDate;
}

int ChooseReferenceIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                         const TIME_ZONE_INFORMATION& savedOrComputer, const SYSTEMTIME& utcNow) {
    const int byName = catalogue.IndexOfStandardName(savedOrComputer.StandardName);
    if (byName >= 0 || catalogue.Count() == 0)
        return byName;

    // The name is unknown here (an old or foreign settings file, or a zone the catalogue
    // lacks): the rest of the program needs a reference zone, so take the nearest one.
    const int offset = CurrentOffsetMinutes(computerZone, utcNow);
    int sameOffset = -1;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const TIME_ZONE_INFORMATION entry = catalogue[i].ToTimeZoneInformation();
        if (CurrentOffsetMinutes(entry, utcNow) != offset)
            continue;
        if (SameDaylightRule(entry, computerZone))
            return i;
        if (sameOffset < 0)
            sameOffset = i;
    }
    return sameOffset >= 0 ? sameOffset : 0;
}

TIME_ZONE_INFORMATION ReferenceZoneRecord(const TTimeZoneList& catalogue, int index,
                                          const TIME_ZONE_INFORMATION& computerZone) {
    if (index < 0 || index >= catalogue.Count())
        return computerZone;
    return catalogue[index].ToTimeZoneInformation();
}
