#include "sessions/UpcomingEvents.h"

#include "platform/Clock.h"
#include "sessions/UpcomingChanges.h"
#include "sessions/UpcomingHolidays.h"
#include "sessions/UpcomingText.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <algorithm>
#include <numeric>

namespace {

// An opening or closing of the market or a session, or an overlap's start: the events
// that happen at one instant are told on one line.
struct TTimedPart {
    enum TKind { Closes, Opens, OverlapBegins };
    qint64 AtMs = 0;
    TKind Kind = Closes;
    QString Name;
    bool Market = false;
    int Rank = kRankMarket;
};

// The market closes within a day, or opens next.
void AddMarket(const TSessionZones& zones, qint64 utcMs, std::vector<TTimedPart>& parts) {
    const TTradingWeek market(zones.NewYork);
    if (market.IsOpen(utcMs)) {
        const qint64 closes = market.NextClosing(utcMs);
        if (closes - WholeMinuteMs(utcMs) < kMsPerDay)
            parts.push_back({closes, TTimedPart::Closes, QStringLiteral("рынка"), true, kRankMarket});
    } else {
        parts.push_back(
            {market.NextOpening(utcMs), TTimedPart::Opens, QStringLiteral("рынка"), true, kRankMarket});
    }
}

void AddSessions(const std::vector<TSessionEvent>& next, const std::vector<QString>& names,
                 std::vector<TTimedPart>& parts) {
    for (size_t i = 0; i < next.size(); ++i) {
        const TSessionEvent& event = next[i];
        if (size_t(event.Index) >= names.size()) continue;
        parts.push_back({event.AtMs, event.Opens ? TTimedPart::Opens : TTimedPart::Closes,
                         names[size_t(event.Index)], false, i == 0 ? kRankFirstSession : kRankSecondSession});
    }
}

// "(пятница 17:00 NewYork)": when the market closes or opens, on the clock it keeps.
QString MarketTime(const TIME_ZONE_INFORMATION& newYork, qint64 atMs) {
    const qint64 local = LocalMsAt(newYork, atMs);
    const qint64 ofDay = (local % kMsPerDay + kMsPerDay) % kMsPerDay;
    return QStringLiteral(" (") + WeekdayName(LocalDateAt(newYork, atMs)) + u' ' +
           FormatDateTime(ClockTimeFormat(), double(ofDay) / double(kMsPerDay)) + QStringLiteral(" NewYork)");
}

// "Закрытие рынка и NewYork через 2 ч. (пятница 17:00 NewYork)",
// "Закрытие NewYork, открытие Sydney через 1 мин".
TUpcomingEvent TimedLine(const std::vector<TTimedPart>& parts, const TSessionZones& zones, qint64 utcMs) {
    QStringList closing, opening, overlaps;
    bool market = false;
    int rank = kRankNote;
    for (const TTimedPart& part : parts) {
        (part.Kind == TTimedPart::Closes  ? closing
         : part.Kind == TTimedPart::Opens ? opening
                                          : overlaps)
            << part.Name;
        market = market || part.Market;
        rank = std::min(rank, part.Rank);
    }
    QStringList phrases;
    if (!closing.isEmpty()) phrases << QStringLiteral("закрытие ") + JoinNames(closing);
    if (!opening.isEmpty()) phrases << QStringLiteral("открытие ") + JoinNames(opening);
    for (const QString& overlap : overlaps) phrases << QStringLiteral("пересечение ") + overlap;
    QString text = phrases.join(QStringLiteral(", "));
    text[0] = text[0].toUpper();
    const qint64 at = parts.front().AtMs;
    text += QStringLiteral(" через ") + UpcomingCountdown(at - WholeMinuteMs(utcMs));
    if (market) text += MarketTime(zones.NewYork, at);
    return {at, text, rank};
}

std::vector<TUpcomingEvent> TimedLines(std::vector<TTimedPart> parts, const TSessionZones& zones,
                                       qint64 utcMs) {
    // At one instant the closings first, the market before the sessions.
    std::stable_sort(parts.begin(), parts.end(), [](const TTimedPart& a, const TTimedPart& b) {
        if (a.AtMs != b.AtMs) return a.AtMs < b.AtMs;
        if (a.Kind != b.Kind) return a.Kind < b.Kind;
        return a.Market && !b.Market;
    });
    std::vector<TUpcomingEvent> lines;
    for (size_t i = 0; i < parts.size();) {
        size_t j = i;
        while (j < parts.size() && parts[j].AtMs == parts[i].AtMs) ++j;
        lines.push_back(
            TimedLine(std::vector<TTimedPart>(parts.begin() + qsizetype(i), parts.begin() + qsizetype(j)),
                      zones, utcMs));
        i = j;
    }
    return lines;
}

}  // namespace

std::vector<TUpcomingEvent> TUpcomingEvents::At(const TUpcomingSources& sources, qint64 utcMs) {
    const bool same = SameSources(sources);
    const bool sameFormat = ClockTimeFormat() == clockFormat_;
    // The sessions' next openings and closings hold until the first of them comes.
    if (!same || utcMs < sessionsFromMs_ || utcMs >= sessionsUntilMs_) {
        sessionEvents_ = NextSessionEvents(sources.Sessions, utcMs, 2);
        sessionsFromMs_ = utcMs;
        sessionsUntilMs_ = sessionEvents_.empty() ? kNeverMs : sessionEvents_.front().AtMs;
    }
    if (!same || utcMs < overlapFromMs_ || utcMs >= overlapAtMs_) {
        overlapAtMs_ = sources.Overlap ? sources.Overlap->NextOpening(utcMs) : kNeverMs;
        overlapFromMs_ = utcMs;
    }
    if (!same || !sameFormat || utcMs < holidaysFromMs_ || utcMs >= holidaysUntilMs_) {
        THolidayLines lines = HolidayLines(sources.Zones, utcMs);
        holidays_ = std::move(lines.Lines);
        holidaysFromMs_ = utcMs;
        holidaysUntilMs_ = lines.ReviewAtMs;
    }
    if (!same || !sameFormat || utcMs < changesFromMs_ || utcMs >= changesUntilMs_) {
        TChangeLines lines = ClockChangeLines(sources, utcMs);
        changes_ = std::move(lines.Lines);
        changesFromMs_ = utcMs;
        changesUntilMs_ = lines.ReviewAtMs;
    }
    clockFormat_ = ClockTimeFormat();
    if (!same) sources_ = sources;

    std::vector<TTimedPart> parts;
    AddMarket(sources.Zones, utcMs, parts);
    AddSessions(sessionEvents_, sources.SessionNames, parts);
    if (overlapAtMs_ != kNeverMs)
        parts.push_back({overlapAtMs_, TTimedPart::OverlapBegins, sources.OverlapName, false, kRankOverlap});
    std::vector<TUpcomingEvent> events = TimedLines(std::move(parts), sources.Zones, utcMs);
    events.insert(events.end(), holidays_.begin(), holidays_.end());
    events.insert(events.end(), changes_.begin(), changes_.end());
    // In time order, a note after everything else.
    std::stable_sort(events.begin(), events.end(), [](const TUpcomingEvent& a, const TUpcomingEvent& b) {
        if ((a.Rank == kRankNote) != (b.Rank == kRankNote)) return b.Rank == kRankNote;
        return a.AtMs < b.AtMs;
    });
    return events;
}

bool TUpcomingEvents::SameSources(const TUpcomingSources& sources) const {
    const auto same = [](const TNamedZone& a, const TNamedZone& b) {
        return a.Name == b.Name && a.Zone == b.Zone;
    };
    const TSessionZones& a = sources.Zones;
    const TSessionZones& b = sources_.Zones;
    return a.Chart == b.Chart && a.Chicago == b.Chicago && a.NewYork == b.NewYork && a.Moscow == b.Moscow &&
           a.Calendar == b.Calendar && sources.Reference == sources_.Reference &&
           std::equal(sources.Clocks.begin(), sources.Clocks.end(), sources_.Clocks.begin(),
                      sources_.Clocks.end(), same) &&
           sources.Sessions == sources_.Sessions && sources.Overlap == sources_.Overlap;
}

TUpcomingFit FitUpcoming(const std::vector<TUpcomingEvent>& events, int rows,
                         const std::function<int(size_t)>& rowsOf) {
    TUpcomingFit fit;
    std::vector<int> heights(events.size());
    int total = 0;
    for (size_t i = 0; i < events.size(); ++i) total += heights[i] = std::max(1, rowsOf(i));
    if (total <= rows) {
        fit.Shown.resize(events.size());
        std::iota(fit.Shown.begin(), fit.Shown.end(), size_t{0});
        return fit;
    }
    // The last row tells how many more there are.
    std::vector<size_t> byImportance(events.size());
    std::iota(byImportance.begin(), byImportance.end(), size_t{0});
    std::stable_sort(byImportance.begin(), byImportance.end(),
                     [&](size_t a, size_t b) { return events[a].Rank < events[b].Rank; });
    int free = rows - 1;
    for (size_t i : byImportance)
        if (heights[i] <= free) {
            fit.Shown.push_back(i);
            free -= heights[i];
        }
    std::sort(fit.Shown.begin(), fit.Shown.end());
    fit.Hidden = events.size() - fit.Shown.size();
    return fit;
}
