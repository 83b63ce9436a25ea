#pragma once
// The trading week. The currency market is open from Sunday 17:00 to Friday 17:00 New
// York time; an exchange trades on the working days of its own zone. A bar of the chart
// is a span of every day in the chart zone (London 10:00-19:00) that trades only on the
// days its market or exchange does. Everything here answers in instants: milliseconds
// since 1970-01-01 UTC, as the clock's UtcMs gives them.

#include "timezones/ZoneRecord.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <span>
#include <variant>
#include <vector>

// An instant that never comes: the next change of a span that never trades.
constexpr qint64 kNeverMs = std::numeric_limits<qint64>::max();

// [FromMs, ToMs): open from the first instant, closed again at the second.
struct TSpan {
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    bool IsEmpty() const { return ToMs <= FromMs; }
};

// The currency market's week, read on one zone's clock (its clock changes included).
class TTradingWeek {
public:
    // From Sunday 17:00 to Friday 17:00 on New York's clock (newYorkZone: its rule).
    explicit TTradingWeek(const TIME_ZONE_INFORMATION& newYorkZone = {});
    // The same week on the chart zone's clock, which runs seven hours ahead of New
    // York's and changes on the same weekend: from Monday 00:00 to Saturday 00:00.
    static TTradingWeek InChartZone(const TIME_ZONE_INFORMATION& chartZone);

    bool IsOpen(qint64 utcMs) const;
    // The first opening and the first closing after utcMs.
    qint64 NextOpening(qint64 utcMs) const;
    qint64 NextClosing(qint64 utcMs) const;
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    TTradingWeek(const TIME_ZONE_INFORMATION& zone, qint64 opensMs, qint64 closesMs);
    qint64 NextAtTimeOfWeek(qint64 utcMs, qint64 msOfWeek) const;

    TIME_ZONE_INFORMATION zone_;
    qint64 opensMs_;   // from Sunday 00:00 of the zone's clock
    qint64 closesMs_;
};

// The date the zone's clock shows at the instant.
QDate LocalDateAt(const TIME_ZONE_INFORMATION& zone, qint64 utcMs);

// The days an exchange trades, in its own zone: Monday to Friday but its holidays.
class TExchangeCalendar {
public:
    explicit TExchangeCalendar(const TIME_ZONE_INFORMATION& zone = {});

    // A day without trading: a Saturday, a Sunday or a holiday of the list.
    bool IsClosedDay(const QDate& localDate) const;
    void AddHoliday(const QDate& localDate) { holidays_.insert(localDate.toJulianDay()); }
    // The exchange's own date at the instant.
    QDate LocalDate(qint64 utcMs) const;
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    TIME_ZONE_INFORMATION zone_;
    std::set<qint64> holidays_;  // Julian day numbers
};

// Which days a daily span trades on: every day, the currency market's week, or an
// exchange's calendar.
class TTradingDays {
public:
    TTradingDays() = default;  // every day
    static TTradingDays CurrencyMarket(const TTradingWeek& week);
    // endsWithDayOf: a session runs at most to the end of the day, on this zone's clock,
    // in which it opened (the chart holds a bar that would run past 24:00 there).
    static TTradingDays Exchange(const TExchangeCalendar& calendar,
                                 std::optional<TIME_ZONE_INFORMATION> endsWithDayOf = {});

    // One day's span as it trades: whole, cut to the market's open hours, or nothing on
    // a day the exchange is closed (the exchange's date at the opening decides).
    TSpan Trade(const TSpan& day) const;

private:
    struct TExchangeDays {
        TExchangeCalendar calendar;
        std::optional<TIME_ZONE_INFORMATION> endsWithDayOf;
    };
    std::variant<std::monostate, TTradingWeek, TExchangeDays> rule_;
};

// A bar's hours: a span of the day in the chart zone on the days it trades. The span of
// each day stands alone, so a span that runs to 24:00 closes at midnight even if the
// next day's opens there.
class TSessionSchedule {
public:
    // openTime and closeTime are times of day in the chart zone; closeTime 1.0 is 24:00.
    TSessionSchedule(TDateTime openTime = 0, TDateTime closeTime = 0,
                     const TIME_ZONE_INFORMATION& chartZone = {}, TTradingDays days = {});

    // Open or closed at an instant, and the instant that ends it (kNeverMs for a span
    // that never trades).
    struct TState {
        bool Open = false;
        qint64 UntilMs = kNeverMs;
    };
    TState StateAt(qint64 utcMs) const;
    bool IsOpen(qint64 utcMs) const { return StateAt(utcMs).Open; }
    // The first opening and the first closing after utcMs.
    qint64 NextOpening(qint64 utcMs) const;
    qint64 NextClosing(qint64 utcMs) const;
    // The span of the chart-zone day that begins dayStartLocalMs (milliseconds since
    // 1970-01-01 of the chart zone's clock), as it trades.
    TSpan SpanOfDay(qint64 dayStartLocalMs) const;

private:
    // Calls visit(span) for the traded spans from the chart-zone day before utcMs's
    // onwards, until it returns true or three weeks are searched.
    template <class Visit>
    void ForEachSpan(qint64 utcMs, Visit visit) const;

    qint64 openMs_;
    qint64 closeMs_;
    TIME_ZONE_INFORMATION chartZone_;
    TTradingDays days_;
};

// The first opening of a bar after the market's next weekend: the one after the weekend
// now running, or during the week the one after the coming weekend.
qint64 FirstOpeningAfterWeekend(const TSessionSchedule& schedule, const TTradingWeek& week,
                                qint64 utcMs);

// An opening or a closing of one of several bars.
struct TSessionEvent {
    qint64 AtMs = 0;
    int Index = 0;  // which bar, in the order they were given
    bool Opens = false;
};
// The next count openings and closings of the bars after utcMs, in time order (a closing
// before an opening at the same instant, then in the order of the bars).
std::vector<TSessionEvent> NextSessionEvents(std::span<const TSessionSchedule* const> schedules,
                                             qint64 utcMs, int count);
