#include "sessions/UpcomingChanges.h"

#include "platform/Clock.h"
#include "sessions/UpcomingText.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

// Clock changes are listed this far ahead.
constexpr qint64 kChangesAheadMs = 30 * kMsPerDay;
// A difference that one change upsets and a later one restores within this time is told
// with the day it lasts until: the weeks Europe and America are out of step.
constexpr qint64 kOutOfStepAtMostMs = 8 * 7 * kMsPerDay;

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
    return {ZoneHourOffset(zones.Chicago, zones.Chart, at), ZoneHourOffset(zones.NewYork, zones.Chart, at),
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

class TClockChanges {
public:
    TClockChanges(const TUpcomingSources& sources, qint64 utcMs) : sources_(sources), now_(utcMs) {
        for (const TNamedZone& clock : sources.Clocks)
            places_.push_back({clock.Name, clock.Zone, TPlace::Clock});
        places_.push_back({QStringLiteral("ваш пояс"), sources.Reference, TPlace::Reference});
        firstExchange_ = places_.size();
        places_.push_back({QStringLiteral("CME"), sources.Zones.Chicago, TPlace::Exchange});
        places_.push_back({QStringLiteral("NYSE"), sources.Zones.NewYork, TPlace::Exchange});
        places_.push_back({QStringLiteral("РТС"), sources.Zones.Moscow, TPlace::Exchange});
        places_.push_back({QString(), sources.Zones.Chart, TPlace::Chart});
        shownNow_ = ExchangeOffsetsFor(sources.Zones, utcMs, &shownUntilMs_);
    }

    std::vector<TUpcomingEvent> Lines() const {
        std::vector<TUpcomingEvent> lines;
        for (const std::vector<TChange>& group : Groups())
            if (std::optional<TUpcomingEvent> line = Line(group)) lines.push_back(*line);
        return lines;
    }

    qint64 NextReview(const std::vector<TUpcomingEvent>& lines) const {
        qint64 at = shownUntilMs_;
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
            qint64 from = now_ - kMsPerDay;
            while (const std::optional<int64_t> at = NextOffsetChange(places_[p].Zone, from)) {
                if (*at > now_ + kChangesAheadMs + kMsPerDay) break;
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
        return SameRule(za, zb) && std::abs(a.AtMs - b.AtMs) < kMsPerDay &&
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

        const auto [begins, ends] = std::minmax_element(
            group.begin(), group.end(), [](const TChange& a, const TChange& b) { return a.AtMs < b.AtMs; });
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
                    (parts[i].Until.isEmpty() ? QString() : QStringLiteral("до ") + parts[i].Until + u' ') +
                    same.join(QStringLiteral(", "));
            i = j;
        }
        return TUpcomingEvent{first.AtMs, text, kRankClockChange};
    }

    bool InGroup(const std::vector<TChange>& group, size_t place) const {
        return std::any_of(group.begin(), group.end(), [&](const TChange& c) { return c.Place == place; });
    }

    // The first pair of clocks, one changing and one not, whose difference the change
    // upsets until the other one changes too: "разница London – NewYork 4 ч. вместо 5".
    std::optional<TPart> OutOfStep(const std::vector<TChange>& group, qint64 before, qint64 after) const {
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
    std::optional<TPart> SessionsMove(const std::vector<TChange>& group, qint64 before, qint64 after) const {
        const TIME_ZONE_INFORMATION& reference = sources_.Reference;
        const TIME_ZONE_INFORMATION& chart = sources_.Zones.Chart;
        const auto apart = [&](qint64 at) {
            return OffsetMinutesAt(reference, at) - OffsetMinutesAt(chart, at);
        };
        const int was = apart(before);
        const int is = apart(after);
        if (was == is) {
            if (!InGroup(group, places_.size() - 1)) return std::nullopt;
            return TPart{QString(), QStringLiteral("по вашему времени сессии и уведомления прежние")};
        }
        // The chart zone changes its clock in the night to Saturday or Sunday, when no
        // session trades; the sessions move for the user with New York's change, the date
        // the user sees (and the one the line of that change tells).
        QString until;
        std::optional<int64_t> next = NextOffsetChange(reference, after);
        if (const std::optional<int64_t> newYorkNext = NextOffsetChange(sources_.Zones.NewYork, after))
            next = next ? std::min(*next, *newYorkNext) : newYorkNext;
        if (next && *next - after <= kOutOfStepAtMostMs && apart(*next) == was)
            until = DateText(reference, *next);
        return TPart{until, QStringLiteral("сессии и уведомления на ") + HoursText(is - was) +
                                (is < was ? QStringLiteral(" раньше") : QStringLiteral(" позже")) +
                                QStringLiteral(" по вашему времени")};
    }

    // An exchange's bar stands at its own hours moved into the chart zone by whole hours.
    // A bar that shows the hours of after the change already (its next session comes
    // after it) has nothing more to tell.
    std::optional<TPart> BarsMove(qint64 before, qint64 after) const {
        const TExchangeOffsets was = ExchangeOffsetsAt(sources_.Zones, before);
        const TExchangeOffsets is = ExchangeOffsetsAt(sources_.Zones, after);
        if (was == is) return std::nullopt;
        const std::vector<TExchangeParams> old = SessionParams({}, was, sources_.Zones);
        const std::vector<TExchangeParams> now = SessionParams({}, is, sources_.Zones);
        const bool moved[3] = {was.Chicago != is.Chicago && shownNow_.Chicago != is.Chicago,
                               was.NewYork != is.NewYork && shownNow_.NewYork != is.NewYork,
                               was.Moscow != is.Moscow && shownNow_.Moscow != is.Moscow};
        if (!moved[0] && !moved[1] && !moved[2]) return std::nullopt;
        QStringList bars;
        for (size_t k = 0; k < 3; ++k)
            if (moved[k])
                bars << places_[firstExchange_ + k].Name + QStringLiteral(" на графике ") +
                            BarHours(now[4 + k]) + QStringLiteral(" вместо ") + BarHours(old[4 + k]);
        return TPart{QString(), bars.join(QStringLiteral(", "))};
    }

    const TUpcomingSources& sources_;
    qint64 now_;
    std::vector<TPlace> places_;
    size_t firstExchange_ = 0;
    TExchangeOffsets shownNow_;  // the offsets the exchanges' bars show now
    qint64 shownUntilMs_ = kNeverMs;  // until an exchange opens or closes
};

}  // namespace

TChangeLines ClockChangeLines(const TUpcomingSources& sources, qint64 utcMs) {
    const TClockChanges changes(sources, utcMs);
    TChangeLines lines;
    lines.Lines = changes.Lines();
    lines.ReviewAtMs = changes.NextReview(lines.Lines);
    return lines;
}
