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
};

// The seven elements' parameters in list order: Sydney, Tokyo, London, NewYork, CME,
// NYSE, "РТС". Exchange hours are their local trading hours moved by the offsets.
std::vector<TExchangeParams> SessionParams(const TElementGeometry& geometry,
                                           const TExchangeOffsets& offsets);

struct TSessionTable {
    std::vector<std::unique_ptr<TExchange>> SessionList;     // sessions 0..3, exchanges 4..6
    std::vector<std::unique_ptr<TIntersection>> OverlapList;  // items k and k+1, k = 0..2
};

// Builds both lists. The exchange offsets are taken once, from one UTC sample, and kept
// for the life of the program even if a daylight change later moves a zone.
TSessionTable CreateSessionTable(const TElementGeometry& geometry, const IClock& clock,
                                 const TIME_ZONE_INFORMATION& chartZone,
                                 const TIME_ZONE_INFORMATION& chicagoZone,
                                 const TIME_ZONE_INFORMATION& newYorkZone,
                                 const TIME_ZONE_INFORMATION& moscowZone);
