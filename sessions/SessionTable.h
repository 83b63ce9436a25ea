#pragma once
// The chart's fixed elements: four sessions and three exchanges in chart-zone hours,
// and the overlaps of neighbouring sessions.

#include "sessions/Exchange.h"
#include "sessions/Intersection.h"

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
// NYSE (whose clock the currency market's week also follows) and of the "РТС".
struct TSessionZones {
    TIME_ZONE_INFORMATION Chart;
    TIME_ZONE_INFORMATION Chicago;
    TIME_ZONE_INFORMATION NewYork;
    TIME_ZONE_INFORMATION Moscow;
};

// The offsets that place each exchange's hours on the chart: its zone's offset from the
// chart zone during its session now running, or while it is closed during its next one
// (the chart zone changes its clock hours before New York and Chicago do, on the Sunday
// morning of a change; the next session is on Monday). validUntilMs: when an exchange
// next opens or closes, after which the next session is another one.
TExchangeOffsets ExchangeOffsetsFor(const TSessionZones& zones, qint64 utcMs, qint64* validUntilMs = nullptr);

// The seven elements' parameters in list order: Sydney, Tokyo, London, NewYork, CME,
// NYSE, "РТС". Exchange hours are their local trading hours moved by the offsets. The
// sessions trade in the currency market's week; the exchanges trade their own sessions
// on their own working days, which decide when they are open whatever the offsets.
std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry,
                                           const TExchangeOffsets& offsets,
                                           const TSessionZones& zones = {});

struct TSessionTable {
    std::vector<std::unique_ptr<TExchange>> SessionList;     // sessions 0..3, exchanges 4..6
    std::vector<std::unique_ptr<TIntersection>> OverlapList;  // items k and k+1, k = 0..2
    TExchangeOffsets Offsets;  // what the exchange hours were built with
    qint64 OffsetsValidUntilMs = 0;  // when they must be worked out again
};

// Builds both lists, the exchange hours with the offsets of the clock's instant.
TSessionTable CreateSessionTable(const TElementGeometry& geometry, const IClock& clock,
                                 const TSessionZones& zones);

// Rebuilds the hours and bar of each exchange whose offset from the chart zone is no
// longer the one its hours were built with (a clock change, or a session on the other
// side of one coming next). True when one was rebuilt.
bool FollowExchangeOffsets(TSessionTable& table, const TElementGeometry& geometry,
                           const IClock& clock, const TSessionZones& zones);
