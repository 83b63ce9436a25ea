#pragma once
// The trading week. The currency market is open from Sunday 17:00 to Friday 17:00 New
// York time but on its two holidays; an exchange trades on the working days of its own
// zone but on its holidays. A bar of the chart
// is a span of every day in the chart zone (London 10:00-19:00) that trades only on the
// days its market or exchange does. Everything here answers in instants: milliseconds
// since 1970-01-01 UTC, as the clock's UtcMs gives them.

#include "sessions/TradingCalendar.h"
#include "timezones/ZoneRecord.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

constexpr qint64 kMsPerDay = 86'400'000;
constexpr qint64 kMsPerHour = 3'600'000;
// Julian day of 1970-01-01.
constexpr qint64 kJulianDayOfEpoch = 2'440'588;

// An instant that never comes: the next change of a span that never trades.
constexpr qint64 kNeverMs = std::numeric_limits<qint64>::max();

// [FromMs, ToMs): open from the first instant, closed again at the second.
struct TSpan {
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    bool IsEmpty() const { return ToMs <= FromMs; }
};

// The currency market's days, read on one zone's clock (its clock changes included). Its
// trading day runs from 17:00 New York time the evening before to 17:00 that day; it
// trades Monday to Friday but on 25 December and 1 January, so a holiday next to a
// weekend makes the weekend longer.
class TTradingWeek {
public:
    // The days on New York's clock (newYorkZone: its rule).
    explicit TTradingWeek(const TIME_ZONE_INFORMATION& newYorkZone = {});
    // The same days on the chart zone's clock, which runs seven hours ahead of New
    // York's and changes on the same weekend: from 00:00 to 24:00.
    static TTradingWeek InChartZone(const TIME_ZONE_INFORMATION& chartZone);

    // 25 December and 1 January.
    static bool IsHoliday(const QDate& day);
    static bool IsTradingDay(const QDate& day);

    bool IsOpen(qint64 utcMs) const;
    // The first opening and the first closing after utcMs.
    qint64 NextOpening(qint64 utcMs) const;
    qint64 NextClosing(qint64 utcMs) const;
    // The trading day at an instant, and the instant a trading day begins.
    QDate DayAt(qint64 utcMs) const;
    qint64 DayStart(const QDate& day) const;
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    TTradingWeek(const TIME_ZONE_INFORMATION& zone, qint64 dayEndsMs);
    qint64 DayNumberAt(qint64 utcMs) const;
    qint64 StartOfDayNumber(qint64 day) const;

    TIME_ZONE_INFORMATION zone_;
    qint64 aheadMs_;  // from the zone's clock to the clock whose midnight ends a trading day
};

// The date the zone's clock shows at the instant.
QDate LocalDateAt(const TIME_ZONE_INFORMATION& zone, qint64 utcMs);

// The days an exchange trades, in its own zone: Monday to Friday but its holidays, or the
// days its calendar tells, some of which close early.
class TExchangeCalendar {
public:
    explicit TExchangeCalendar(const TIME_ZONE_INFORMATION& zone = {},
                               std::shared_ptr<const TMarketDays> days = nullptr);

    const TExchangeDay& Day(const QDate& localDate) const;
    // A day without trading: a Saturday, a Sunday or a holiday.
    bool IsClosedDay(const QDate& localDate) const { return Day(localDate).Kind == TExchangeDay::Closed; }
    // The exchange's own date at the instant.
    QDate LocalDate(qint64 utcMs) const;
    const TIME_ZONE_INFORMATION& Zone() const { return zone_; }

private:
    TIME_ZONE_INFORMATION zone_;
    std::shared_ptr<const TMarketDays> days_;
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
    // a day the exchange is closed, cut at an early close (the exchange's date at the
    // opening decides).
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
qint64 FirstOpeningAfterWeekend(const TSessionSchedule& schedule, const TTradingWeek& week, qint64 utcMs);

// An opening or a closing of one of several bars.
struct TSessionEvent {
    qint64 AtMs = 0;
    int Index = 0;  // which bar, in the order they were given
    bool Opens = false;
};
// The next count openings and closings of the bars after utcMs, in time order (a closing
// before an opening at the same instant, then in the order of the bars).
std::vector<TSessionEvent> NextSessionEvents(std::span<const TSessionSchedule* const> schedules, qint64 utcMs,
                                             int count);
