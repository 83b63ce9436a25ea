#pragma once
// The coming events' lines about the exchanges' calendar: each day of the coming week on
// which the currency market, the NYSE, the CME or the "РТС" does not trade or closes early,
// one line to a date ("26 ноября: NYSE закрыта (День благодарения); CME до 12:00
// Chicago"), from the day's start until its end; and a note when the week reaches into a
// year whose "РТС" calendar is not known.

#include "sessions/UpcomingEvents.h"

struct THolidayLines {
    std::vector<TUpcomingEvent> Lines;
    qint64 ReviewAtMs = kNeverMs;  // when a day enters or leaves the week ahead
};
THolidayLines HolidayLines(const TSessionZones& zones, qint64 utcMs);
