#pragma once
// The words of the coming events' lines. A number and its unit are joined by a
// non-breaking space, so a line that wraps never leaves "1" at the end of one row and
// "ч." at the start of the next.

#include "timezones/ZoneRecord.h"

#include <QDate>
#include <QString>
#include <QStringList>

inline constexpr QChar kNoBreak = QChar(0x00A0);

// "14 марта".
QString DateText(const QDate& date);
// The date the zone's own clock shows at the instant.
QString DateText(const TIME_ZONE_INFORMATION& zone, qint64 utcMs);
// "понедельник" .. "воскресенье".
QString WeekdayName(const QDate& date);
// "1 ч.", "30 мин", "1 ч. 30 мин", whatever the sign.
QString HoursText(int minutes);
// "4 ч. вместо 5"; with minutes, both in full.
QString InsteadOf(int now, int before);
// "A", "A и B", "A, B и C".
QString JoinNames(const QStringList& names);
// The time to an event from the current whole minute: "1 мин", "1 ч. 30 мин", "2 ч.",
// "1 д. 5 ч. 10 мин" (no leading zeros, no part that is zero).
QString UpcomingCountdown(qint64 ms);
// "ещё 1 событие", "ещё 3 события", "ещё 5 событий".
QString MoreEventsText(qsizetype count);
