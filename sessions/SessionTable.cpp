#include "sessions/SessionTable.h"

#include "platform/Clock.h"
#include "timezones/ZoneClock.h"

#include <algorithm>

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

// The exchanges' own trading hours in their own zones on their working days: CME 9:30 to
// 17:00 Chicago, NYSE 9:30 to 16:00 New York, "РТС" 10:00 to 16:45 Moscow. A session
// ends at the latest with the chart zone's day, as its bar does (the CME's 24:00).
struct TExchangeSessions {
    TSessionSchedule Chicago, NewYork, Moscow;
};

TExchangeSessions ExchangeSessions(const TSessionZones& zones) {
    const auto local = [&](const TIME_ZONE_INFORMATION& zone, int openHour, int openMinute,
                           int closeHour, int closeMinute) {
        return TSessionSchedule(MakeTimeOfDay(openHour, openMinute), MakeTimeOfDay(closeHour, closeMinute),
                                zone, TTradingDays::Exchange(TExchangeCalendar(zone), zones.Chart));
    };
    return {local(zones.Chicago, 9, 30, 17, 0), local(zones.NewYork, 9, 30, 16, 0),
            local(zones.Moscow, 10, 0, 16, 45)};
}

}  // namespace

TExchangeOffsets ExchangeOffsetsFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs) {
    qint64 until = kNeverMs;
    auto offset = [&](const TIME_ZONE_INFORMATION& zone, const TSessionSchedule& local) {
        const TSessionSchedule::TState state = local.StateAt(utcMs);
        until = std::min(until, state.UntilMs);
        const qint64 session = state.Open || state.UntilMs == kNeverMs ? utcMs : state.UntilMs;
        return ZoneHourOffset(zone, zones.Chart, SystemTimeFromUnixMs(session));
    };
    const TExchangeSessions sessions = ExchangeSessions(zones);
    const TExchangeOffsets offsets{offset(zones.Chicago, sessions.Chicago),
                                   offset(zones.NewYork, sessions.NewYork),
                                   offset(zones.Moscow, sessions.Moscow)};
    if (validUntilMs) *validUntilMs = until;
    return offsets;
}

std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry,
                                           const TExchangeOffsets& offsets,
                                           const TSessionZones& zones) {
    const int c = offsets.Chicago;
    const int n = offsets.NewYork;
    const int r = offsets.Moscow;
    const TTradingDays market = TTradingDays::CurrencyMarket(TTradingWeek(zones.NewYork));
    const TExchangeSessions sessions = ExchangeSessions(zones);
    struct Row {
        const char16_t* name;
        int openHour, openMinute, closeHour, closeMinute;
        std::optional<TSessionSchedule> sessions;  // an exchange's own
    };
    const Row rows[] = {
        {u"Sydney", 0, 0, 9, 0, {}},
        {u"Tokyo", 2, 0, 11, 0, {}},
        {u"London", 10, 0, 19, 0, {}},
        {u"NewYork", 15, 0, 24, 0, {}},
        {u"CME", 9 - c, 30, 17 - c, 0, sessions.Chicago},
        {u"NYSE", 9 - n, 30, 16 - n, 0, sessions.NewYork},
        {u"РТС", 10 - r, 0, 16 - r, 45, sessions.Moscow},
    };
    std::vector<TExchangeParams> params;
    for (const Row& row : rows)
        params.push_back({QString::fromUtf16(row.name), ClampedTime(row.openHour, row.openMinute),
                          ClampedTime(row.closeHour, row.closeMinute), geometry.HourWidth,
                          geometry.Height, row.sessions ? TTradingDays() : market, row.sessions,
                          geometry.PixelRatio});
    return params;
}

TSessionTable CreateSessionTable(const TElementGeometry& geometry, const IClock& clock,
                                 const TSessionZones& zones) {
    TSessionTable table;
    table.Offsets = ExchangeOffsetsFor(zones, clock.UtcMs(), &table.OffsetsValidUntilMs);
    for (const TExchangeParams& params : SessionParams(geometry, table.Offsets, zones))
        table.SessionList.push_back(std::make_unique<TExchange>(params, clock, zones.Chart));
    for (int k = 0; k < 3; ++k)
        table.OverlapList.push_back(std::make_unique<TIntersection>(
            *table.SessionList[k], *table.SessionList[k + 1], geometry, clock, zones.Chart));
    return table;
}

bool FollowExchangeOffsets(TSessionTable& table, const TElementGeometry& geometry,
                           const IClock& clock, const TSessionZones& zones) {
    const TExchangeOffsets now = ExchangeOffsetsFor(zones, clock.UtcMs(), &table.OffsetsValidUntilMs);
    if (now == table.Offsets || table.SessionList.size() != 7) return false;
    const std::vector<TExchangeParams> params = SessionParams(geometry, now, zones);
    const bool changed[] = {now.Chicago != table.Offsets.Chicago,
                            now.NewYork != table.Offsets.NewYork,
                            now.Moscow != table.Offsets.Moscow};
    // The exchanges are items 4..6 and join no overlap, so only they are made anew.
    for (size_t k = 0; k < 3; ++k)
        if (changed[k])
            table.SessionList[4 + k] = std::make_unique<TExchange>(params[4 + k], clock, zones.Chart);
    table.Offsets = now;
    return true;
}
