#pragma once
// What one minute shows, worked out from one instant: the texts, states and places the
// main window, the strip and the tray draw. Plain values; drawing them asks nothing more.

#include "clocks/MainCapital.h"
#include "sessions/UpcomingEvents.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

// A bar of the chart as it reads: its title, its countdown, open or closed.
struct TBarFace {
    QString Title;
    QString Countdown;
    bool Open = false;
};

// An overlap strip: the time left while both sessions run, else the common time's length.
struct TOverlapFace {
    QString Value;
    bool Open = false;
};

struct TMinutePicture {
    qint64 UtcMs = 0;  // the instant it shows
    QString ReferenceTime;  // the reference clock, btnLocalTime's caption
    std::array<TClockFace, 5> Clocks;  // clocks 1..5 with their day marks
    QString TrayHint;  // a line per clock, within what the tray holds
    // The hour line: whole hours the reference zone is ahead of the chart zone (where the
    // panels stand), the chart column of the current hour (yellow) and the panel of the
    // current reference hour, 1..24 (red).
    int HourOffset = 0;
    int HourColumn = 0;
    int HighlightedHour = 24;
    std::vector<TBarFace> Bars;  // sessions 0..3, exchanges 4..6, once they exist
    std::vector<TOverlapFace> Overlaps;
    std::optional<QString> Balloon;  // the session alert due in this minute
    // The coming events in their order, every one: what does not fit the panel goes to
    // its tool-tip.
    std::vector<TUpcomingEvent> Events;
    int CatalogueReading = 0;  // which reading of the zone catalogue its entries are of

    // The bars as a screen reader hears the chart: "London (10:00 - 19:00) до закрытия …; …".
    QString BarsText() const;
};
