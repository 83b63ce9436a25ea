#include "sessions/UpcomingEvents.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/Clock.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

namespace {

constexpr qint64 kDayMs = 86'400'000;
// Clock changes are listed this far ahead.
constexpr qint64 kChangesAheadMs = 30 * kDayMs;
// A difference that one change upsets and a later one restores within this time is told
// with the day it lasts until: the weeks Europe and America are out of step.
constexpr qint64 kOutOfStepAtMostMs = 8 * 7 * kDayMs;

// "14 марта": the date the zone's own clock shows at the instant.
QString DateText(const TIME_ZONE_INFORMATION& zone, qint64 utcMs) {
    static const char* const kMonths[12] = {"января",   "февраля", "марта",  "апреля",
                                            "мая",      "июня",    "июля",   "августа",
                                            "сентября", "октября", "ноября", "декабря"};
    const QDate date = LocalDateAt(zone, utcMs);
    return QString::number(date.day()) + u' ' + QString::fromUtf8(kMonths[date.month() - 1]);
}

// "1 ч.", "30 мин", "1 ч. 30 мин", whatever the sign.
QString HoursText(int minutes) {
    minutes = std::abs(minutes);
    const QString hours = QString::number(minutes / 60) + QStringLiteral(" ч.");
    if (minutes % 60 == 0) return hours;
    const QString rest = QString::number(minutes % 60) + QStringLiteral(" мин");
    return minutes < 60 ? rest : hours + u' ' + rest;
}

// "4 ч. вместо 5"; with minutes, both in full.
QString InsteadOf(int now, int before) {
    const QString was = now % 60 == 0 && before % 60 == 0 ? QString::number(std::abs(before) / 60)
                                                          : HoursText(before);
    return HoursText(now) + QStringLiteral(" вместо ") + was;
}

// "A", "A и B", "A, B и C".
QString JoinNames(const QStringList& names) {
    if (names.size() < 2) return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" и ") +
           names.last();
}

// --- the market and the sessions ---

void AddMarket(const TSessionZones& zones, qint64 utcMs, std::vector<TUpcomingEvent>& events) {
    // The week the sessions trade in: Sunday 17:00 to Friday 17:00 on New York's clock.
    const TTradingWeek week(zones.NewYork);
    const qint64 minute = WholeMinuteMs(utcMs);
    if (week.IsOpen(utcMs)) {
        const qint64 closes = week.NextClosing(utcMs);
        if (closes - minute < kDayMs)
            events.push_back({closes, QStringLiteral("Рынок закроется через ") +
                                          CountdownText(closes - minute) +
                                          QStringLiteral(" (пятница 17:00 Нью-Йорк)")});
    } else {
        const qint64 opens = week.NextOpening(utcMs);
        events.push_back(
            {opens, QStringLiteral("Рынок откроется через ") + CountdownText(opens - minute)});
    }
}

void AddSessions(const std::vector<TSessionEvent>& next, const std::vector<QString>& names,
                 qint64 utcMs, std::vector<TUpcomingEvent>& events) {
    const qint64 minute = WholeMinuteMs(utcMs);
    for (const TSessionEvent& event : next) {
        if (size_t(event.Index) >= names.size()) continue;
        events.push_back(
            {event.AtMs, (event.Opens ? QStringLiteral("Открытие ") : QStringLiteral("Закрытие ")) +
                             names[size_t(event.Index)] + QStringLiteral(" через ") +
                             CountdownText(event.AtMs - minute)});
    }
}

// --- clock changes ---

struct TPlace {
    enum TKind { Clock, Reference, Exchange, Chart };
    QString Name;  // none for the chart zone: it is told by what it moves
    TIME_ZONE_INFORMATION Zone;
    TKind Kind;
};

struct TChange {
    size_t Place;
    qint64 AtMs;
};

// The same yearly changes, whatever the base offset (New York's and the chart zone's).
bool SameRule(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
    return a.StandardDate == b.StandardDate && a.DaylightDate == b.DaylightDate &&
           a.StandardBias == b.StandardBias && a.DaylightBias == b.DaylightBias;
}

bool SameClock(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
    return a.Bias == b.Bias && SameRule(a, b);
}

// "переходит на летнее время", or how the clock moves when it is no daylight change.
QString ChangeVerb(const TIME_ZONE_INFORMATION& zone, qint64 atMs, bool plural) {
    const int before = OffsetMinutesAt(zone, atMs - 1);
    const int after = OffsetMinutesAt(zone, atMs);
    const QString go = plural ? QStringLiteral("переходят") : QStringLiteral("переходит");
    if (after > before && after == -(zone.Bias + zone.DaylightBias))
        return go + QStringLiteral(" на летнее время");
    if (after < before && after == -(zone.Bias + zone.StandardBias))
        return go + QStringLiteral(" на зимнее время");
    return (plural ? QStringLiteral("переводят") : QStringLiteral("переводит")) +
           QStringLiteral(" часы на ") + HoursText(after - before) +
           (after > before ? QStringLiteral(" вперёд") : QStringLiteral(" назад"));
}

// The exchanges' whole-hour offsets from the chart zone at an instant, as their bars
// are placed by.
TExchangeOffsets ExchangeOffsetsAt(const TSessionZones& zones, qint64 utcMs) {
    const SYSTEMTIME at = SystemTimeFromUnixMs(utcMs);
    return {ZoneHourOffset(zones.Chicago, zones.Chart, at),
            ZoneHourOffset(zones.NewYork, zones.Chart, at),
            ZoneHourOffset(zones.Moscow, zones.Chart, at)};
}

QString BarHours(const TExchangeParams& params) {
    const QString format = ClockTimeFormat();
    return FormatDateTime(format, params.OpenTime) + QStringLiteral(" - ") +
           FormatDateTime(format, params.CloseTime);
}

// A consequence of a change, and the day it lasts until when a later change undoes it.
struct TPart {
    QString Until;
    QString Text;
};

class TChangeLines {
public:
    TChangeLines(const TUpcomingSources& sources, qint64 utcMs) : sources_(sources), now_(utcMs) {
        for (const TNamedZone& clock : sources.Clocks)
            places_.push_back({clock.Name, clock.Zone, TPlace::Clock});
        places_.push_back({QStringLiteral("ваш пояс"), sources.Reference, TPlace::Reference});
        firstExchange_ = places_.size();
        places_.push_back({QStringLiteral("CME"), sources.Zones.Chicago, TPlace::Exchange});
        places_.push_back({QStringLiteral("NYSE"), sources.Zones.NewYork, TPlace::Exchange});
        places_.push_back({QStringLiteral("РТС"), sources.Zones.Moscow, TPlace::Exchange});
        places_.push_back({QString(), sources.Zones.Chart, TPlace::Chart});
    }

    std::vector<TUpcomingEvent> Lines() const {
        std::vector<TUpcomingEvent> lines;
        for (const std::vector<TChange>& group : Groups())
            if (std::optional<TUpcomingEvent> line = Line(group)) lines.push_back(*line);
        return lines;
    }

    // When the lines may next read otherwise: a change they tell of comes, or another
    // change comes within the horizon.
    qint64 NextReview(const std::vector<TUpcomingEvent>& lines) const {
        qint64 at = kNeverMs;
        for (const TUpcomingEvent& line : lines) at = std::min(at, line.AtMs);
        for (const TPlace& place : places_)
            if (const std::optional<int64_t> next = NextOffsetChange(place.Zone, now_ + kChangesAheadMs))
                at = std::min<qint64>(at, *next - kChangesAheadMs);
        return at;
    }

private:
    // The changes from a day back (a group may have begun) to a day past the horizon.
    std::vector<TChange> Changes() const {
        std::vector<TChange> changes;
        for (size_t p = 0; p < places_.size(); ++p) {
            qint64 from = now_ - kDayMs;
            while (const std::optional<int64_t> at = NextOffsetChange(places_[p].Zone, from)) {
                if (*at > now_ + kChangesAheadMs + kDayMs) break;
                changes.push_back({p, *at});
                from = *at;
            }
        }
        return changes;
    }

    // Changes made together: at the same instant (London and Kyiv), or by the same rule
    // at the same reading of each zone's own clock (New York, Chicago and the chart zone).
    bool Together(const TChange& a, const TChange& b) const {
        if (a.AtMs == b.AtMs) return true;
        const TIME_ZONE_INFORMATION& za = places_[a.Place].Zone;
        const TIME_ZONE_INFORMATION& zb = places_[b.Place].Zone;
        return SameRule(za, zb) && std::abs(a.AtMs - b.AtMs) < kDayMs &&
               LocalMsAt(za, a.AtMs) == LocalMsAt(zb, b.AtMs);
    }

    std::vector<std::vector<TChange>> Groups() const {
        const std::vector<TChange> changes = Changes();
        std::vector<size_t> root(changes.size());
        std::iota(root.begin(), root.end(), size_t{0});
        const auto find = [&](size_t i) {
            while (root[i] != i) i = root[i] = root[root[i]];
            return i;
        };
        for (size_t i = 0; i < changes.size(); ++i)
            for (size_t j = i + 1; j < changes.size(); ++j)
                if (Together(changes[i], changes[j])) root[find(j)] = find(i);
        std::vector<std::vector<TChange>> groups(changes.size());
        for (size_t i = 0; i < changes.size(); ++i) groups[find(i)].push_back(changes[i]);
        std::erase_if(groups, [](const auto& group) { return group.empty(); });
        return groups;  // each in the order of the places
    }

    std::optional<TUpcomingEvent> Line(const std::vector<TChange>& group) const {
        // The places named: the clocks, then the user's zone and the exchanges unless a
        // place named already keeps the same clock.
        QStringList names;
        std::vector<const TChange*> named;
        for (const TChange& change : group) {
            const TPlace& place = places_[change.Place];
            if (place.Kind == TPlace::Chart || names.contains(place.Name)) continue;
            const bool shown = std::any_of(named.begin(), named.end(), [&](const TChange* other) {
                return SameClock(places_[other->Place].Zone, place.Zone);
            });
            if (place.Kind != TPlace::Clock && shown) continue;
            names << place.Name;
            named.push_back(&change);
        }
        if (named.empty()) return std::nullopt;
        const TChange& first = *named.front();
        if (first.AtMs <= now_ || first.AtMs > now_ + kChangesAheadMs) return std::nullopt;

        const auto [begins, ends] =
            std::minmax_element(group.begin(), group.end(),
                                [](const TChange& a, const TChange& b) { return a.AtMs < b.AtMs; });
        const qint64 before = begins->AtMs - 1;
        const qint64 after = ends->AtMs;
        std::vector<TPart> parts;
        if (std::optional<TPart> part = OutOfStep(group, before, after)) parts.push_back(*part);
        if (std::optional<TPart> part = SessionsMove(group, before, after)) parts.push_back(*part);
        if (std::optional<TPart> part = BarsMove(before, after)) parts.push_back(*part);

        const TIME_ZONE_INFORMATION& zone = places_[first.Place].Zone;
        QString text = DateText(zone, first.AtMs) + QStringLiteral(": ") + JoinNames(names) + u' ' +
                       ChangeVerb(zone, first.AtMs, names.size() > 1);
        // Consequences that last until the same day are told together.
        for (size_t i = 0; i < parts.size();) {
            QStringList same;
            size_t j = i;
            for (; j < parts.size() && parts[j].Until == parts[i].Until; ++j) same << parts[j].Text;
            text += QStringLiteral("; ") +
                    (parts[i].Until.isEmpty() ? QString()
                                              : QStringLiteral("до ") + parts[i].Until + u' ') +
                    same.join(QStringLiteral(", "));
            i = j;
        }
        return TUpcomingEvent{first.AtMs, text};
    }

    bool InGroup(const std::vector<TChange>& group, size_t place) const {
        return std::any_of(group.begin(), group.end(),
                           [&](const TChange& c) { return c.Place == place; });
    }

    // The first pair of clocks, one changing and one not, whose difference the change
    // upsets until the other one changes too: "разница London – NewYork 4 ч. вместо 5".
    std::optional<TPart> OutOfStep(const std::vector<TChange>& group, qint64 before,
                                   qint64 after) const {
        for (const TChange& change : group) {
            const TPlace& moved = places_[change.Place];
            if (moved.Kind != TPlace::Clock) continue;
            for (size_t other = 0; other < places_.size(); ++other) {
                const TPlace& still = places_[other];
                if (still.Kind != TPlace::Clock || InGroup(group, other)) continue;
                const int was = OffsetMinutesAt(still.Zone, before) - OffsetMinutesAt(moved.Zone, before);
                const int is = OffsetMinutesAt(still.Zone, after) - OffsetMinutesAt(moved.Zone, after);
                if (was == is) continue;
                const std::optional<int64_t> back = NextOffsetChange(still.Zone, after);
                if (!back || *back - after > kOutOfStepAtMostMs) continue;
                if (OffsetMinutesAt(still.Zone, *back) - OffsetMinutesAt(moved.Zone, *back) != was) continue;
                // The place ahead comes first.
                const bool stillAhead = is > 0 || (is == 0 && was > 0);
                const QString pair = stillAhead ? still.Name + QStringLiteral(" – ") + moved.Name
                                                : moved.Name + QStringLiteral(" – ") + still.Name;
                return TPart{DateText(still.Zone, *back),
                             QStringLiteral("разница ") + pair + u' ' +
                                 InsteadOf(stillAhead ? is : -is, stillAhead ? was : -was)};
            }
        }
        return std::nullopt;
    }

    // The session hours and the alerts are fixed on the chart zone's clock, which keeps
    // New York's: read on the user's own clock they move when the two part or meet.
    std::optional<TPart> SessionsMove(const std::vector<TChange>& group, qint64 before,
                                      qint64 after) const {
        const TIME_ZONE_INFORMATION& reference = sources_.Reference;
        const TIME_ZONE_INFORMATION& chart = sources_.Zones.Chart;
        const auto apart = [&](qint64 at) { return OffsetMinutesAt(reference, at) - OffsetMinutesAt(chart, at); };
        const int was = apart(before);
        const int is = apart(after);
        if (was == is) {
            if (!InGroup(group, places_.size() - 1)) return std::nullopt;
            return TPart{QString(),
                         QStringLiteral("по вашему времени сессии и уведомления прежние")};
        }
        QString until;
        std::optional<int64_t> next = NextOffsetChange(reference, after);
        if (const std::optional<int64_t> chartNext = NextOffsetChange(chart, after))
            next = next ? std::min(*next, *chartNext) : chartNext;
        if (next && *next - after <= kOutOfStepAtMostMs && apart(*next) == was)
            until = DateText(reference, *next);
        return TPart{until, QStringLiteral("сессии и уведомления на ") + HoursText(is - was) +
                                (is < was ? QStringLiteral(" раньше") : QStringLiteral(" позже")) +
                                QStringLiteral(" по вашему времени")};
    }

    // An exchange's bar stands at its own hours moved into the chart zone by whole hours.
    std::optional<TPart> BarsMove(qint64 before, qint64 after) const {
        const TExchangeOffsets was = ExchangeOffsetsAt(sources_.Zones, before);
        const TExchangeOffsets is = ExchangeOffsetsAt(sources_.Zones, after);
        if (was == is) return std::nullopt;
        const std::vector<TExchangeParams> old = SessionParams({}, was, sources_.Zones);
        const std::vector<TExchangeParams> now = SessionParams({}, is, sources_.Zones);
        const bool moved[3] = {was.Chicago != is.Chicago, was.NewYork != is.NewYork,
                               was.Moscow != is.Moscow};
        QStringList bars;
        for (size_t k = 0; k < 3; ++k)
            if (moved[k])
                bars << places_[firstExchange_ + k].Name + QStringLiteral(" на графике ") +
                            BarHours(now[4 + k]) + QStringLiteral(" вместо ") +
                            BarHours(old[4 + k]);
        return TPart{QString(), bars.join(QStringLiteral(", "))};
    }

    const TUpcomingSources& sources_;
    qint64 now_;
    std::vector<TPlace> places_;
    size_t firstExchange_ = 0;
};

}  // namespace

std::vector<TUpcomingEvent> TUpcomingEvents::At(const TUpcomingSources& sources, qint64 utcMs) {
    const bool same = SameZones(sources) && sources.Sessions == sources_.Sessions;
    // The sessions' next openings and closings hold until the first of them comes.
    if (!same || utcMs < sessionsFromMs_ || utcMs >= sessionsUntilMs_) {
        sessionEvents_ = NextSessionEvents(sources.Sessions, utcMs, 2);
        sessionsFromMs_ = utcMs;
        sessionsUntilMs_ = sessionEvents_.empty() ? kNeverMs : sessionEvents_.front().AtMs;
    }
    if (!same || ClockTimeFormat() != clockFormat_ || utcMs < changesFromMs_ ||
        utcMs >= changesUntilMs_) {
        const TChangeLines lines(sources, utcMs);
        changes_ = lines.Lines();
        clockFormat_ = ClockTimeFormat();
        changesFromMs_ = utcMs;
        changesUntilMs_ = lines.NextReview(changes_);
    }
    if (!same) sources_ = sources;

    std::vector<TUpcomingEvent> events;
    AddMarket(sources.Zones, utcMs, events);
    AddSessions(sessionEvents_, sources.SessionNames, utcMs, events);
    events.insert(events.end(), changes_.begin(), changes_.end());
    // In time order; at the same instant the market first, then the sessions.
    std::stable_sort(
        events.begin(), events.end(),
        [](const TUpcomingEvent& a, const TUpcomingEvent& b) { return a.AtMs < b.AtMs; });
    return events;
}

bool TUpcomingEvents::SameZones(const TUpcomingSources& sources) const {
    const auto same = [](const TNamedZone& a, const TNamedZone& b) {
        return a.Name == b.Name && a.Zone == b.Zone;
    };
    const TSessionZones& a = sources.Zones;
    const TSessionZones& b = sources_.Zones;
    return a.Chart == b.Chart && a.Chicago == b.Chicago && a.NewYork == b.NewYork &&
           a.Moscow == b.Moscow && sources.Reference == sources_.Reference &&
           std::equal(sources.Clocks.begin(), sources.Clocks.end(), sources_.Clocks.begin(),
                      sources_.Clocks.end(), same);
}
