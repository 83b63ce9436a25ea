#pragma once
// The coming events' lines about clock changes: each change of the coming 30 days at
// the five clocks, the user's zone and the exchanges, told once for the places that make
// it together, with what it changes: a difference between two clocks, the sessions read
// on the user's clock, the hours of an exchange's bar.

#include "sessions/UpcomingEvents.h"

struct TChangeLines {
    std::vector<TUpcomingEvent> Lines;
    // When they may next read otherwise: a change they tell of comes, another comes within
    // the horizon, or an exchange's bar moves to the hours of another session.
    qint64 ReviewAtMs = kNeverMs;
};
TChangeLines ClockChangeLines(const TUpcomingSources& sources, qint64 utcMs);
