#pragma once
// What comes next, as the main window lists it under the hour line: the currency
// market's close (within a day) or its next opening, the next openings and closings of
// the sessions, the next London-NewYork overlap, the exchanges' holidays and early closes
// of the coming week, and the clock changes of the coming 30 days with what they change
// for the user. Each text comes from the zone rules, the exchanges' calendar and the
// instant the chart is drawn from; nothing else is consulted.

#include "sessions/SessionTable.h"

#include <QString>

#include <functional>
#include <vector>

struct TNamedZone {
    QString Name;
    TIME_ZONE_INFORMATION Zone;
};

struct TUpcomingSources {
    TSessionZones Zones;  // the chart zone, the exchanges' zones and calendar
    TIME_ZONE_INFORMATION Reference;  // the user's own time, under the hour line
    std::vector<TNamedZone> Clocks;  // the five clocks, under the names the user gave them
    // The sessions whose openings and closings are announced: the chart's bars.
    std::vector<QString> SessionNames;
    std::vector<const TSessionSchedule*> Sessions;
    // The overlap whose next start is told ("London – NewYork"); none when null.
    QString OverlapName;
    const TSessionSchedule* Overlap = nullptr;
};

// Which lines give way first when the panel cannot show them all: the highest rank.
enum TUpcomingRank {
    kRankMarket = 0,  // the market's close or opening
    kRankFirstSession = 1,  // the sessions' next opening or closing
    kRankClockChange = 2,  // a clock change and what it changes for the user
    kRankHoliday = 3,  // an exchange's holiday or early close
    kRankOverlap = 4,  // the next overlap
    kRankSecondSession = 5,  // the sessions' opening or closing after the next
    kRankNote = 6,  // a year whose exchange calendar is not known: told last
};

struct TUpcomingEvent {
    qint64 AtMs = 0;  // when it happens (the day it begins, for a holiday)
    QString Text;
    int Rank = kRankMarket;  // of its most important part
};

// Works the coming events out minute by minute. What reads the same for a while is kept
// while it holds: the sessions' next two openings or closings until the first of them
// comes; the overlap's start until it comes; the holidays' lines until a day enters or
// leaves the week ahead; the clock changes' lines until a change they tell of comes,
// another comes within 30 days or an exchange's bar moves to other hours. A change of a
// zone, a name, the calendar or the clock format, or a clock set back, works everything
// out afresh.
class TUpcomingEvents {
public:
    // The coming events after utcMs, in time order (a note last), events of one instant
    // on one line; the countdowns run from its whole minute, as the bars' do.
    std::vector<TUpcomingEvent> At(const TUpcomingSources& sources, qint64 utcMs);

private:
    bool SameSources(const TUpcomingSources& sources) const;

    TUpcomingSources sources_;  // what the kept events were worked out from
    std::vector<TSessionEvent> sessionEvents_;
    qint64 sessionsFromMs_ = 0;
    qint64 sessionsUntilMs_ = 0;
    qint64 overlapAtMs_ = kNeverMs;
    qint64 overlapFromMs_ = 0;
    std::vector<TUpcomingEvent> holidays_;
    qint64 holidaysFromMs_ = 0;
    qint64 holidaysUntilMs_ = 0;
    std::vector<TUpcomingEvent> changes_;
    QString clockFormat_;
    qint64 changesFromMs_ = 0;
    qint64 changesUntilMs_ = 0;
};

// The lines a panel of `rows` rows shows, line i taking rowsOf(i) rows: all of them if
// they fit; otherwise as many as fit in all but the last row, which tells how many more
// there are, the most important first (by rank, then time), shown in time order.
struct TUpcomingFit {
    std::vector<size_t> Shown;  // indices, ascending
    size_t Hidden = 0;
};
TUpcomingFit FitUpcoming(const std::vector<TUpcomingEvent>& events, int rows,
                         const std::function<int(size_t)>& rowsOf);
