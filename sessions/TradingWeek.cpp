#include "sessions/TradingWeek.h"

#include "timezones/ZoneClock.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kMsPerHour = 3'600'000;
constexpr qint64 kMsPerDay = 86'400'000;
constexpr qint64 kMsPerWeek = 7 * kMsPerDay;
// A bar's next opening lies at most this many days ahead: a weekend and a long run of
// holidays (the Moscow exchange's New Year) together.
constexpr int kDaysSearched = 21;
// Julian day of 1970-01-01.
constexpr qint64 kJulianDayOfEpoch = 2'440'588;

qint64 FloorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Milliseconds since the start of the week (Sunday 00:00) of a local clock reading;
// 1970-01-01 was a Thursday.
qint64 MsOfWeek(qint64 localMs) {
    const qint64 day = FloorDiv(localMs, kMsPerDay);
    const qint64 weekday = ((day + 4) % 7 + 7) % 7;  // 0 = Sunday
    return weekday * kMsPerDay + (localMs - day * kMsPerDay);
}

}  // namespace

// --- the currency market's week ---

TTradingWeek::TTradingWeek(const TIME_ZONE_INFORMATION& newYorkZone)
    : TTradingWeek(newYorkZone, 17 * kMsPerHour, 5 * kMsPerDay + 17 * kMsPerHour) {}

TTradingWeek::TTradingWeek(const TIME_ZONE_INFORMATION& zone, qint64 opensMs, qint64 closesMs)
    : zone_(zone), opensMs_(opensMs), closesMs_(closesMs) {}

TTradingWeek TTradingWeek::InChartZone(const TIME_ZONE_INFORMATION& chartZone) {
    return TTradingWeek(chartZone, kMsPerDay, 6 * kMsPerDay);
}

bool TTradingWeek::IsOpen(qint64 utcMs) const {
    const qint64 ms = MsOfWeek(LocalMsAt(zone_, utcMs));
    return ms >= opensMs_ && ms < closesMs_;
}

qint64 TTradingWeek::NextOpening(qint64 utcMs) const {
    return NextAtTimeOfWeek(utcMs, opensMs_);
}

qint64 TTradingWeek::NextClosing(qint64 utcMs) const {
    return NextAtTimeOfWeek(utcMs, closesMs_);
}

qint64 TTradingWeek::NextAtTimeOfWeek(qint64 utcMs, qint64 msOfWeek) const {
    const qint64 local = LocalMsAt(zone_, utcMs);
    const qint64 weekStart = local - MsOfWeek(local);
    for (int week = 0;; ++week) {
        const qint64 at = UtcMsForLocal(zone_, weekStart + week * kMsPerWeek + msOfWeek);
        if (at > utcMs) return at;
    }
}

// --- an exchange's calendar ---

TExchangeCalendar::TExchangeCalendar(const TIME_ZONE_INFORMATION& zone) : zone_(zone) {}

bool TExchangeCalendar::IsClosedDay(const QDate& localDate) const {
    return localDate.dayOfWeek() >= Qt::Saturday || holidays_.count(localDate.toJulianDay()) > 0;
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
        if (exchange->calendar.IsClosedDay(exchange->calendar.LocalDate(day.FromMs))) return {};
        if (!exchange->endsWithDayOf) return day;
        const TIME_ZONE_INFORMATION& zone = *exchange->endsWithDayOf;
        const qint64 dayEnd = (FloorDiv(LocalMsAt(zone, day.FromMs), kMsPerDay) + 1) * kMsPerDay;
        return {day.FromMs, std::min<qint64>(day.ToMs, UtcMsForLocal(zone, dayEnd))};
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

qint64 FirstOpeningAfterWeekend(const TSessionSchedule& schedule, const TTradingWeek& week,
                                qint64 utcMs) {
    return schedule.NextOpening(week.NextOpening(utcMs) - 1);
}

std::vector<TSessionEvent> NextSessionEvents(std::span<const TSessionSchedule* const> schedules,
                                             qint64 utcMs, int count) {
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
