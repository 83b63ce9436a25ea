#pragma once
// The chart's fixed elements: four sessions and three exchanges in chart-zone hours,
// and the overlaps of neighbouring sessions.

#include "sessions/Exchange.h"
#include "sessions/Intersection.h"

#include <array>
#include <memory>
#include <vector>

// Whole hours by which each exchange's zone is ahead of the chart zone.
struct TExchangeOffsets {
    int Chicago = 0;
    int NewYork = 0;
    int Moscow = 0;
    friend bool operator==(const TExchangeOffsets&, const TExchangeOffsets&) = default;
};

// The zones the chart is laid out in: the chart zone, and the zones of the CME, of the
// NYSE (whose clock the currency market's week also follows) and of the "РТС"; and the
// exchanges' calendar.
struct TSessionZones {
    TIME_ZONE_INFORMATION Chart;
    TIME_ZONE_INFORMATION Chicago;
    TIME_ZONE_INFORMATION NewYork;
    TIME_ZONE_INFORMATION Moscow;
    TTradingCalendar Calendar = {};  // without holidays unless given
};

// An exchange bar's hours: those of its session now running, or while it is closed of
// its next one, on its own clock (an early close's too), and the whole hours by which
// its zone is then ahead of the chart zone (the chart zone changes its clock hours before
// New York and Chicago do, on the Sunday morning of a change; the next session is on
// Monday).
struct TExchangeHours {
    int OpenMinute = 0;  // after midnight of the exchange's clock
    int CloseMinute = 0;
    int Offset = 0;
    friend bool operator==(const TExchangeHours&, const TExchangeHours&) = default;
};
using TExchangeBarHours = std::array<TExchangeHours, kMarketCount>;  // CME, NYSE, "РТС"

// validUntilMs: when an exchange next opens or closes, after which the next session is
// another one.
TExchangeBarHours ExchangeHoursFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs = nullptr);
// Their offsets alone.
TExchangeOffsets ExchangeOffsetsFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs = nullptr);
// An exchange's ordinary hours on its own clock (CME 9:30 to 17:00).
TExchangeHours OrdinaryHours(TMarket market, int offset);

// The seven elements' parameters in list order: Sydney, Tokyo, London, NewYork, CME,
// NYSE, "РТС". Exchange hours are their local trading hours moved by the offsets. The
// sessions trade in the currency market's days; the exchanges trade their own sessions
// on their own trading days, which decide when they are open whatever the hours shown.
std::vector<TExchangeParams> SessionParamsForHours(const TElementGeometry& geometry,
                                                   const TExchangeBarHours& hours,
                                                   const TSessionZones& zones = {});
// With the ordinary hours of each exchange.
std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry, const TExchangeOffsets& offsets,
                                           const TSessionZones& zones = {});

struct TSessionTable {
    std::vector<std::unique_ptr<TExchange>> SessionList;  // sessions 0..3, exchanges 4..6
    std::vector<std::unique_ptr<TIntersection>> OverlapList;  // items k and k+1, k = 0..2
    TExchangeBarHours Hours;  // what the exchange bars were built with
    qint64 OffsetsValidUntilMs = 0;  // when they must be worked out again
};

// Builds both lists, the exchange hours those of the instant utcMs.
TSessionTable CreateSessionTable(const TElementGeometry& geometry, qint64 utcMs, const TSessionZones& zones);

// Rebuilds the hours and bar of each exchange whose hours are no longer those it was
// built with: its offset from the chart zone changed (a clock change, or a session on
// the other side of one coming next), or its next session closes early or no longer
// does. True when one was rebuilt.
bool FollowExchangeOffsets(TSessionTable& table, const TElementGeometry& geometry, qint64 utcMs,
                           const TSessionZones& zones);

// Each element's bitmap painted for utcMs's minute (only those painted for another).
void PaintElementsFor(TSessionTable& table, qint64 utcMs);
