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

// The exchanges' own trading hours in their own zones on their trading days: CME 9:30 to
// 17:00 Chicago, NYSE 9:30 to 16:00 New York, "РТС" 10:00 to 16:45 Moscow, or to an
// early close. A session ends at the latest with the chart zone's day, as its bar does
// (the CME's 24:00).
struct TExchangeSession {
    TIME_ZONE_INFORMATION Zone;
    TExchangeCalendar Calendar;
    TSessionSchedule Schedule;
};

std::array<TExchangeSession, kMarketCount> ExchangeSessions(const TSessionZones& zones) {
    std::array<TExchangeSession, kMarketCount> sessions;
    const TIME_ZONE_INFORMATION* zoneOf[] = {&zones.Chicago, &zones.NewYork, &zones.Moscow};
    for (size_t k = 0; k < kMarketCount; ++k) {
        const TMarket market = TMarket(k);
        const TIME_ZONE_INFORMATION& zone = *zoneOf[k];
        const TExchangeHours hours = OrdinaryHours(market, 0);
        const TExchangeCalendar calendar(zone, zones.Calendar.Days(market));
        sessions[k] = {zone, calendar,
                       TSessionSchedule(hours.OpenMinute / 1440.0, hours.CloseMinute / 1440.0, zone,
                                        TTradingDays::Exchange(calendar, zones.Chart))};
    }
    return sessions;
}

}  // namespace

TExchangeHours OrdinaryHours(TMarket market, int offset) {
    switch (market) {
    case TMarket::Cme: return {9 * 60 + 30, 17 * 60, offset};
    case TMarket::Nyse: return {9 * 60 + 30, 16 * 60, offset};
    case TMarket::Rts: return {10 * 60, 16 * 60 + 45, offset};
    }
    return {};
}

TExchangeBarHours ExchangeHoursFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs) {
    qint64 until = kNeverMs;
    TExchangeBarHours hours;
    const std::array<TExchangeSession, kMarketCount> sessions = ExchangeSessions(zones);
    for (size_t k = 0; k < kMarketCount; ++k) {
        const TExchangeSession& session = sessions[k];
        const TSessionSchedule::TState state = session.Schedule.StateAt(utcMs);
        until = std::min(until, state.UntilMs);
        const qint64 at = state.Open || state.UntilMs == kNeverMs ? utcMs : state.UntilMs;
        hours[k] =
            OrdinaryHours(TMarket(k), ZoneHourOffset(session.Zone, zones.Chart, SystemTimeFromUnixMs(at)));
        const TExchangeDay& day = session.Calendar.Day(session.Calendar.LocalDate(at));
        if (day.Kind == TExchangeDay::EarlyClose) hours[k].CloseMinute = day.CloseMinute;
    }
    if (validUntilMs) *validUntilMs = until;
    return hours;
}

TExchangeOffsets ExchangeOffsetsFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs) {
    const TExchangeBarHours hours = ExchangeHoursFor(zones, utcMs, validUntilMs);
    return {hours[0].Offset, hours[1].Offset, hours[2].Offset};
}

std::vector<TExchangeParams> SessionParamsForHours(const TElementGeometry& geometry,
                                                   const TExchangeBarHours& hours,
                                                   const TSessionZones& zones) {
    const TTradingDays market = TTradingDays::CurrencyMarket(TTradingWeek(zones.NewYork));
    const std::array<TExchangeSession, kMarketCount> sessions = ExchangeSessions(zones);
    struct Row {
        const char16_t* name;
        int openHour, openMinute, closeHour, closeMinute;
        const TExchangeSession* session;  // an exchange's own
    };
    const auto exchange = [&](TMarket m, const char16_t* name) {
        const TExchangeHours& h = hours[size_t(m)];
        return Row{name,
                   h.OpenMinute / 60 - h.Offset,
                   h.OpenMinute % 60,
                   h.CloseMinute / 60 - h.Offset,
                   h.CloseMinute % 60,
                   &sessions[size_t(m)]};
    };
    const Row rows[] = {
        {u"Sydney", 0, 0, 9, 0, nullptr},   {u"Tokyo", 2, 0, 11, 0, nullptr},
        {u"London", 10, 0, 19, 0, nullptr}, {u"NewYork", 15, 0, 24, 0, nullptr},
        exchange(TMarket::Cme, u"CME"),     exchange(TMarket::Nyse, u"NYSE"),
        exchange(TMarket::Rts, u"РТС"),
    };
    std::vector<TExchangeParams> params;
    for (const Row& row : rows)
        params.push_back({QString::fromUtf16(row.name), ClampedTime(row.openHour, row.openMinute),
                          ClampedTime(row.closeHour, row.closeMinute), geometry.HourWidth, geometry.Height,
                          row.session ? TTradingDays() : market,
                          row.session ? std::optional<TSessionSchedule>(row.session->Schedule) : std::nullopt,
                          geometry.PixelRatio});
    return params;
}

std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry, const TExchangeOffsets& offsets,
                                           const TSessionZones& zones) {
    return SessionParamsForHours(
        geometry,
        {OrdinaryHours(TMarket::Cme, offsets.Chicago), OrdinaryHours(TMarket::Nyse, offsets.NewYork),
         OrdinaryHours(TMarket::Rts, offsets.Moscow)},
        zones);
}

TSessionTable CreateSessionTable(const TElementGeometry& geometry, qint64 utcMs, const TSessionZones& zones) {
    TSessionTable table;
    table.Hours = ExchangeHoursFor(zones, utcMs, &table.OffsetsValidUntilMs);
    for (const TExchangeParams& params : SessionParamsForHours(geometry, table.Hours, zones))
        table.SessionList.push_back(std::make_unique<TExchange>(params, zones.Chart));
    for (int k = 0; k < 3; ++k)
        table.OverlapList.push_back(std::make_unique<TIntersection>(
            *table.SessionList[k], *table.SessionList[k + 1], geometry, zones.Chart));
    return table;
}

bool FollowExchangeOffsets(TSessionTable& table, const TElementGeometry& geometry, qint64 utcMs,
                           const TSessionZones& zones) {
    const TExchangeBarHours now = ExchangeHoursFor(zones, utcMs, &table.OffsetsValidUntilMs);
    if (now == table.Hours || table.SessionList.size() != 7) return false;
    const std::vector<TExchangeParams> params = SessionParamsForHours(geometry, now, zones);
    // The exchanges are items 4..6 and join no overlap, so only they are made anew.
    for (size_t k = 0; k < kMarketCount; ++k)
        if (now[k] != table.Hours[k])
            table.SessionList[4 + k] = std::make_unique<TExchange>(params[4 + k], zones.Chart);
    table.Hours = now;
    return true;
}

void PaintElementsFor(TSessionTable& table, qint64 utcMs) {
    for (const auto& element : table.SessionList) element->GetBitmap(utcMs);
    for (const auto& overlap : table.OverlapList) overlap->GetBitmap(utcMs);
}
