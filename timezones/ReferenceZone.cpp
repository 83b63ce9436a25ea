#include "timezones/ReferenceZone.h"

#include "timezones/TimeZones.h"
#include "timezones/ZoneClock.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr qint64 kYearMs = 366LL * 86'400'000;

qint64 UnixMs(const SYSTEMTIME& utc) {
    return std::llround((EncodeDateTime(utc) - 25569.0) * 86'400'000.0);
}

}  // namespace

int CurrentOffsetMinutes(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    return OffsetMinutesAt(zone, UnixMs(utc));
}

bool SameOffsets(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b, qint64 fromUtcMs,
                 qint64 toUtcMs) {
    // Offsets hold between changes, so the start and each change of either decide.
    for (qint64 at = fromUtcMs; at < toUtcMs;) {
        if (OffsetMinutesAt(a, at) != OffsetMinutesAt(b, at)) return false;
        const std::optional<int64_t> nextA = NextOffsetChange(a, at);
        const std::optional<int64_t> nextB = NextOffsetChange(b, at);
        at = std::min<qint64>(nextA.value_or(toUtcMs), nextB.value_or(toUtcMs));
    }
    return true;
}

int ChooseReferenceIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                         const TIME_ZONE_INFORMATION& savedOrComputer, const SYSTEMTIME& utcNow) {
    const int byName = catalogue.IndexOfStandardName(savedOrComputer.StandardName);
    if (byName >= 0) return byName;

    // The name is unknown here (an old or foreign settings file, a zone the catalogue
    // lacks, or a rule the C library reads from TZ): the entry that keeps the computer's
    // time. An entry that agrees today only would show another time after its next change.
    const qint64 now = UnixMs(utcNow);
    const int offset = OffsetMinutesAt(computerZone, now);
    for (int i = 0; i < catalogue.Count(); ++i) {
        const TIME_ZONE_INFORMATION entry = catalogue[i].ToTimeZoneInformation();
        if (OffsetMinutesAt(entry, now) == offset && SameOffsets(entry, computerZone, now, now + kYearMs))
            return i;
    }
    return -1;
}

int ComputerEntryIndex(const TTimeZoneList& catalogue, const TIME_ZONE_INFORMATION& computerZone,
                       const SYSTEMTIME& utcNow) {
    return ChooseReferenceIndex(catalogue, computerZone, computerZone, utcNow);
}

TIME_ZONE_INFORMATION ReferenceZoneRecord(const TTimeZoneList& catalogue, int index,
                                          const TIME_ZONE_INFORMATION& computerZone) {
    if (index < 0 || index >= catalogue.Count()) return computerZone;
    return catalogue[index].ToTimeZoneInformation();
}
