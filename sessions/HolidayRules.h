#pragma once
// The holidays that follow rules, worked out for any year: the NYSE's, the CME's day
// session that follows them, and the Russian public holidays that stand in for the
// Moscow exchange in a year whose own list is not known.

#include "sessions/HolidayTable.h"

#include <QDate>

#include <utility>
#include <vector>

// Easter Sunday of the Gregorian calendar.
QDate EasterSunday(int year);

// The days of a year that are not ordinary weekdays, in date order, on the exchange's
// own clock: the NYSE closes on ten holidays (a Saturday's kept on the Friday before, a
// Sunday's on the Monday after, but New Year's Day on a Saturday not at all) and at 13:00
// on 3 July and 24 December from Monday to Thursday and on the day after Thanksgiving.
std::vector<std::pair<QDate, TExchangeDay>> NyseHolidays(int year);
// The CME's day session: closed on New Year's Day, Good Friday and Christmas as the NYSE
// keeps them, at 12:00 Chicago on the NYSE's other holidays, at 12:15 on the day after
// Thanksgiving and on 24 December.
std::vector<std::pair<QDate, TExchangeDay>> CmeHolidays(int year);
// 1-8 January, 23 February, 8 March, 1 and 9 May, 12 June and 4 November, on weekdays.
std::vector<std::pair<QDate, TExchangeDay>> RussianPublicHolidays(int year);
