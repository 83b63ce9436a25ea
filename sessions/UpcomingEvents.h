#pragma once
// What comes next, as the main window lists it under the hour line: the currency
// market's weekend close (within a day) or its next opening, the next openings and
// closings of the sessions, and the clock changes of the coming 30 days with what they
// change for the user. Each text comes from the zone rules and the instant the chart
// is drawn from; nothing else is consulted.

#include "sessions/SessionTable.h"

#include <QString>

#include <vector>

struct TNamedZone {
    QString Name;
    TIME_ZONE_INFORMATION Zone;
};

struct TUpcomingSources {
    TSessionZones Zones;              // the chart zone and the zones of CME, NYSE and "РТС"
    TIME_ZONE_INFORMATION Reference;  // the user's own time, under the hour line
    std::vector<TNamedZone> Clocks;   // the five clocks, under the names the user gave them
    // The sessions whose openings and closings are announced: the chart's bars.
    std::vector<QString> SessionNames;
    std::vector<const TSessionSchedule*> Sessions;
};

struct TUpcomingEvent {
    qint64 AtMs = 0;  // when it happens
    QString Text;
};

// Works the coming events out minute by minute. What reads the same for a while is kept
// while it holds: the sessions' next two openings or closings until the first of them
// comes; the clock changes' lines until a change they tell of comes or another comes
// within 30 days. A change of a zone, a name or the clock format, or a clock set back,
// works everything out afresh.
class TUpcomingEvents {
public:
    // The coming events after utcMs, in time order; the countdowns run from its whole
    // minute, as the bars' do.
    std::vector<TUpcomingEvent> At(const TUpcomingSources& sources, qint64 utcMs);

private:
    bool SameZones(const TUpcomingSources& sources) const;

    TUpcomingSources sources_;  // what the kept events were worked out from
    std::vector<TSessionEvent> sessionEvents_;
    qint64 sessionsFromMs_ = 0;
    qint64 sessionsUntilMs_ = 0;
    std::vector<TUpcomingEvent> changes_;
    QString clockFormat_;
    qint64 changesFromMs_ = 0;
    qint64 changesUntilMs_ = 0;
};
