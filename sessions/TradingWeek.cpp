#include "sessions/TradingWeek.h"

#include "timezones/ZoneClock.h"

#include <algorithm>
#include <cmath>

namespace {

// A bar's next opening lies at most this many days ahead: a weekend and a long run of
// holidays (the Moscow exchange's New Year) together.
constexpr int kDaysSearched = 21;

qint64 FloorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

// --- the currency market's days ---

namespace {

// The most days in a row the market trades or rests: five, or a weekend and a holiday.
constexpr int kLongestRun = 7;

QDate DateOfDayNumber(qint64 day) {
    return QDate::fromJulianDay(day + kJulianDayOfEpoch);
}

}  // namespace

TTradingWeek::TTradingWeek(const TIME_ZONE_INFORMATION& newYorkZone)
    : TTradingWeek(newYorkZone, 17 * kMsPerHour) {}

TTradingWeek::TTradingWeek(const TIME_ZONE_INFORMATION& zone, qint64 dayEndsMs)
    : zone_(zone), aheadMs_(kMsPerDay - dayEndsMs) {}

TTradingWeek TTradingWeek::InChartZone(const TIME_ZONE_INFORMATION& chartZone) {
    return TTradingWeek(chartZone, kMsPerDay);
}

bool TTradingWeek::IsHoliday(const QDate& day) {
    return (day.month() == 12 && day.day() == 25) || (day.month() == 1 && day.day() == 1);
}

bool TTradingWeek::IsTradingDay(const QDate& day) {
    return day.dayOfWeek() <= Qt::Friday && !IsHoliday(day);
}

qint64 TTradingWeek::DayNumberAt(qint64 utcMs) const {
    return FloorDiv(LocalMsAt(zone_, utcMs) + aheadMs_, kMsPerDay);
}

qint64 TTradingWeek::StartOfDayNumber(qint64 day) const {
    return UtcMsForLocal(zone_, day * kMsPerDay - aheadMs_);
}

QDate TTradingWeek::DayAt(qint64 utcMs) const {
    return DateOfDayNumber(DayNumberAt(utcMs));
}

qint64 TTradingWeek::DayStart(const QDate& day) const {
    return StartOfDayNumber(day.toJulianDay() - kJulianDayOfEpoch);
}

bool TTradingWeek::IsOpen(qint64 utcMs) const {
    return IsTradingDay(DayAt(utcMs));
}

qint64 TTradingWeek::NextOpening(qint64 utcMs) const {
    qint64 day = DayNumberAt(utcMs);
    // Past the days that trade now, then the days that do not: the first to trade opens.
    for (int i = 0; i < kLongestRun && IsTradingDay(DateOfDayNumber(day)); ++i) ++day;
    for (int i = 0; i < kLongestRun && !IsTradingDay(DateOfDayNumber(day)); ++i) ++day;
    return StartOfDayNumber(day);
}

qint64 TTradingWeek::NextClosing(qint64 utcMs) const {
    qint64 day = DayNumberAt(utcMs);
    for (int i = 0; i < kLongestRun && !IsTradingDay(DateOfDayNumber(day)); ++i) ++day;
    for (int i = 0; i < kLongestRun && IsTradingDay(DateOfDayNumber(day)); ++i) ++day;
    return StartOfDayNumber(day);
}

// --- an exchange's calendar ---

namespace {

const TExchangeDay kTradingDay{};
const TExchangeDay kWeekendDay{TExchangeDay::Closed, 0, QString()};

}  // namespace

TExchangeCalendar::TExchangeCalendar(const TIME_ZONE_INFORMATION& zone,
                                     std::shared_ptr<const TMarketDays> days)
    : zone_(zone), days_(std::move(days)) {}

const TExchangeDay& TExchangeCalendar::Day(const QDate& localDate) const {
    if (days_) return days_->Day(localDate);
    return localDate.dayOfWeek() >= Qt::Saturday ? kWeekendDay : kTradingDay;
}

QDate LocalDateAt(const TIME_ZONE_INFORMATION& zone, qint64 utcMs) {
    return QDate::fromJulianDay(FloorDiv(LocalMsAt(zone, utcMs), kMsPerDay) + kJulianDayOfEpoch);
}

QDate TExchangeCalendar::LocalDate(qint64 utcMs) const {
    return LocalDateAt(zone_, utcMs);
}

// --- trading days ---

TTradingDays TTradingDays::CurrencyMarket(const TTradingWeek& week) {
    TTradingDays days;
    days.rule_ = week;
    return days;
}

TTradingDays TTradingDays::Exchange(const TExchangeCalendar& calendar,
                                    std::optional<TIME_ZONE_INFORMATION> endsWithDayOf) {
    TTradingDays days;
    days.rule_ = TExchangeDays{calendar, endsWithDayOf};
    return days;
}

TSpan TTradingDays::Trade(const TSpan& day) const {
    if (const auto* week = std::get_if<TTradingWeek>(&rule_)) {
        const qint64 from = week->IsOpen(day.FromMs) ? day.FromMs : week->NextOpening(day.FromMs);
        if (from >= day.ToMs) return {};
        return {from, std::min(day.ToMs, week->NextClosing(from))};
    }
    if (const auto* exchange = std::get_if<TExchangeDays>(&rule_)) {
        const TExchangeCalendar& calendar = exchange->calendar;
        const qint64 localOpening = LocalMsAt(calendar.Zone(), day.FromMs);
        const qint64 localDay = FloorDiv(localOpening, kMsPerDay);
        const TExchangeDay& status = calendar.Day(QDate::fromJulianDay(localDay + kJulianDayOfEpoch));
        if (status.Kind == TExchangeDay::Closed) return {};
        TSpan span = day;
        if (status.Kind == TExchangeDay::EarlyClose)
            span.ToMs = std::min<qint64>(
                span.ToMs,
                UtcMsForLocal(calendar.Zone(), localDay * kMsPerDay + status.CloseMinute * 60'000LL));
        if (exchange->endsWithDayOf) {
            const TIME_ZONE_INFORMATION& zone = *exchange->endsWithDayOf;
            const qint64 dayEnd = (FloorDiv(LocalMsAt(zone, day.FromMs), kMsPerDay) + 1) * kMsPerDay;
            span.ToMs = std::min<qint64>(span.ToMs, UtcMsForLocal(zone, dayEnd));
        }
        return span.IsEmpty() ? TSpan{} : span;
    }
    return day;
}

// --- a bar's schedule ---

TSessionSchedule::TSessionSchedule(TDateTime openTime, TDateTime closeTime,
                                   const TIME_ZONE_INFORMATION& chartZone, TTradingDays days)
    : openMs_(std::llround(openTime * double(kMsPerDay))),
      closeMs_(std::llround(closeTime * double(kMsPerDay))),
      chartZone_(chartZone),
      days_(std::move(days)) {}

TSpan TSessionSchedule::SpanOfDay(qint64 dayStartLocalMs) const {
    if (closeMs_ <= openMs_) return {};
    return days_.Trade({UtcMsForLocal(chartZone_, dayStartLocalMs + openMs_),
                        UtcMsForLocal(chartZone_, dayStartLocalMs + closeMs_)});
}

template <class Visit>
void TSessionSchedule::ForEachSpan(qint64 utcMs, Visit visit) const {
    // The day before counts too: its span may still be running.
    const qint64 firstDay = FloorDiv(LocalMsAt(chartZone_, utcMs), kMsPerDay) - 1;
    for (int i = 0; i <= kDaysSearched; ++i) {
        const TSpan span = SpanOfDay((firstDay + i) * kMsPerDay);
        if (!span.IsEmpty() && visit(span)) return;
    }
}

TSessionSchedule::TState TSessionSchedule::StateAt(qint64 utcMs) const {
    TState state;
    ForEachSpan(utcMs, [&](const TSpan& span) {
        if (utcMs >= span.ToMs) return false;
        state = utcMs < span.FromMs ? TState{false, span.FromMs} : TState{true, span.ToMs};
        return true;
    });
    return state;
}

qint64 TSessionSchedule::NextOpening(qint64 utcMs) const {
    qint64 at = kNeverMs;
    ForEachSpan(utcMs, [&](const TSpan& span) {
        if (span.FromMs <= utcMs) return false;
        at = span.FromMs;
        return true;
    });
    return at;
}

qint64 TSessionSchedule::NextClosing(qint64 utcMs) const {
    qint64 at = kNeverMs;
    ForEachSpan(utcMs, [&](const TSpan& span) {
        if (span.ToMs <= utcMs) return false;
        at = span.ToMs;
        return true;
    });
    return at;
}

qint64 FirstOpeningAfterWeekend(const TSessionSchedule& schedule, const TTradingWeek& week, qint64 utcMs) {
    return schedule.NextOpening(week.NextOpening(utcMs) - 1);
}

std::vector<TSessionEvent> NextSessionEvents(std::span<const TSessionSchedule* const> schedules, qint64 utcMs,
                                             int count) {
    std::vector<TSessionEvent> events;
    for (size_t index = 0; index < schedules.size(); ++index) {
        // Each bar's own next count events; the merge keeps the earliest of all.
        qint64 from = utcMs;
        for (int found = 0; found < count;) {
            const qint64 opening = schedules[index]->NextOpening(from);
            const qint64 closing = schedules[index]->NextClosing(from);
            const qint64 at = std::min(opening, closing);
            if (at == kNeverMs) break;
            if (closing == at && found++ < count) events.push_back({at, int(index), false});
            if (opening == at && found++ < count) events.push_back({at, int(index), true});
            from = at;
        }
    }
    std::sort(events.begin(), events.end(), [](const TSessionEvent& a, const TSessionEvent& b) {
        if (a.AtMs != b.AtMs) return a.AtMs < b.AtMs;
        if (a.Opens != b.Opens) return !a.Opens;
        return a.Index < b.Index;
    });
    if (events.size() > size_t(std::max(0, count))) events.resize(size_t(std::max(0, count)));
    return events;
}
