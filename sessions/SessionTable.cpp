#include "sessions/SessionTable.h"

#include "platform/Clock.h"
#include "timezones/ZoneClock.h"

namespace {

// A chart-zone time of day from an hour that an offset may have pushed off the clock
// face. The day is not wrapped: an hour below 0 is held at 0:00 and one of 24 or more at
// 24:00, so a bar never runs backwards; at worst it shrinks to nothing and is not drawn.
// Real zones never get here but for the CME close, which the table itself caps at 24:00.
TDateTime ClampedTime(int hour, int minute) {
    if (hour < 0) return 0.0;
    if (hour >= 24) return 1.0;
    return double(hour * 60 + minute) / (24.0 * 60.0);
}

}  // namespace

std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry,
                                           const TExchangeOffsets& offsets) {
    const int c = offsets.Chicago;
    const int n = offsets.NewYork;
    const int r = offsets.Moscow;
    struct Row {
        const char16_t* name;
        int openHour, openMinute, closeHour, closeMinute;
    };
    const Row rows[] = {
        {u"Sydney", 0, 0, 9, 0},
        {u"Tokyo", 2, 0, 11, 0},
        {u"London", 10, 0, 19, 0},
        {u"NewYork", 15, 0, 24, 0},
        {u"CME", 9 - c, 30, 17 - c, 0},
        {u"NYSE", 9 - n, 30, 16 - n, 0},
        {u"РТС", 10 - r, 0, 16 - r, 45},
    };
    std::vector<TExchangeParams> params;
    for (const Row& row : rows)
        params.push_back({QString::fromUtf16(row.name), ClampedTime(row.openHour, row.openMinute),
                          ClampedTime(row.closeHour, row.closeMinute), geometry.HourWidth,
                          geometry.Height});
    return params;
}

TSessionTable CreateSessionTable(const TElementGeometry& geometry, const IClock& clock,
                                 const TIME_ZONE_INFORMATION& chartZone,
                                 const TIME_ZONE_INFORMATION& chicagoZone,
                                 const TIME_ZONE_INFORMATION& newYorkZone,
                                 const TIME_ZONE_INFORMATION& moscowZone) {
    const SYSTEMTIME utc = clock.UtcNow();
    const TExchangeOffsets offsets{ZoneHourOffset(chicagoZone, chartZone, utc),
                                   ZoneHourOffset(newYorkZone, chartZone, utc),
                                   ZoneHourOffset(moscowZone, chartZone, utc)};
    TSessionTable table;
    for (const TExchangeParams& params : SessionParams(geometry, offsets))
        table.SessionList.push_back(std::make_unique<TExchange>(params, clock, chartZone));
    for (int k = 0; k < 3; ++k)
        table.OverlapList.push_back(std::make_unique<TIntersection>(
            *table.SessionList[k], *table.SessionList[k + 1], geometry, clock, chartZone));
    return table;
}
