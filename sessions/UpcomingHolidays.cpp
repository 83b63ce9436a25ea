#include "sessions/UpcomingHolidays.h"

#include "sessions/UpcomingText.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <algorithm>
#include <map>

namespace {

constexpr qint64 kWeekAheadMs = 7 * kMsPerDay;

// One market's say about a date.
struct TDayPart {
    QString Name;  // none for the currency market
    TExchangeDay Day;
    QString City;  // of an exchange's own clock
};

struct TDateLine {
    qint64 AtMs = kNeverMs;
    std::vector<TDayPart> Parts;  // in the order the markets are asked
};

// The days that count: those not over yet that begin within the week ahead.
class TWeekAhead {
public:
    explicit TWeekAhead(qint64 utcMs) : now_(utcMs) {}

    bool Counts(qint64 startMs, qint64 endMs) {
        const qint64 enters = startMs - kWeekAheadMs;
        if (enters > now_) review_ = std::min(review_, enters);
        if (endMs > now_) review_ = std::min(review_, endMs);
        return enters <= now_ && now_ < endMs;
    }
    qint64 Review() const { return review_; }

private:
    qint64 now_;
    qint64 review_ = kNeverMs;
};

// The city an exchange's hours are told in, by the program's own names.
QString CityOf(TMarket market) {
    switch (market) {
    case TMarket::Cme: return QStringLiteral("Chicago");
    case TMarket::Nyse: return QStringLiteral("NewYork");
    case TMarket::Rts: return QStringLiteral("Moscow");
    }
    return QString();
}

// "NYSE закрыта (День благодарения)", "NYSE и CME закрыты (Рождество)",
// "CME до 12:00 Chicago", "рынок FX закрыт".
QString LineText(const QDate& date, const std::vector<TDayPart>& parts) {
    QStringList texts;
    for (size_t i = 0; i < parts.size();) {
        const TDayPart& part = parts[i];
        if (part.Name.isEmpty() || part.Day.Kind == TExchangeDay::EarlyClose) {
            texts << (part.Name.isEmpty()
                          ? QStringLiteral("рынок FX закрыт")
                          : part.Name + QStringLiteral(" до ") +
                                FormatDateTime(ClockTimeFormat(), part.Day.CloseMinute / 1440.0) + u' ' +
                                part.City);
            ++i;
            continue;
        }
        QStringList names;
        size_t j = i;
        for (; j < parts.size() && !parts[j].Name.isEmpty() && parts[j].Day.Kind == TExchangeDay::Closed &&
               parts[j].Day.Reason == part.Day.Reason;
             ++j)
            names << parts[j].Name;
        texts << JoinNames(names) +
                     (names.size() > 1 ? QStringLiteral(" закрыты") : QStringLiteral(" закрыта")) +
                     (part.Day.Reason.isEmpty() ? QString() : QStringLiteral(" (") + part.Day.Reason + u')');
        i = j;
    }
    return DateText(date) + QStringLiteral(": ") + texts.join(QStringLiteral("; "));
}

}  // namespace

THolidayLines HolidayLines(const TSessionZones& zones, qint64 utcMs) {
    TWeekAhead week(utcMs);
    std::map<qint64, TDateLine> dates;  // by Julian day
    const auto add = [&](const QDate& date, qint64 startMs, TDayPart part) {
        TDateLine& line = dates[date.toJulianDay()];
        line.AtMs = std::min(line.AtMs, startMs);
        line.Parts.push_back(std::move(part));
    };

    // The currency market's holidays, on the weekdays they close it.
    const TTradingWeek market(zones.NewYork);
    const QDate today = market.DayAt(utcMs);
    for (QDate date = today.addDays(-1); date <= today.addDays(8); date = date.addDays(1)) {
        if (!TTradingWeek::IsHoliday(date) || date.dayOfWeek() > Qt::Friday) continue;
        const qint64 start = market.DayStart(date);
        if (week.Counts(start, market.DayStart(date.addDays(1))))
            add(date, start, {QString(), {TExchangeDay::Closed, 0, QString()}, QString()});
    }

    // The exchanges', each on its own clock; the NYSE first, as the CME follows it.
    std::optional<TUpcomingEvent> note;
    const std::pair<TMarket, const TIME_ZONE_INFORMATION*> exchanges[] = {
        {TMarket::Nyse, &zones.NewYork}, {TMarket::Cme, &zones.Chicago}, {TMarket::Rts, &zones.Moscow}};
    for (const auto& [exchange, zone] : exchanges) {
        const std::shared_ptr<const TMarketDays>& days = zones.Calendar.Days(exchange);
        if (!days) continue;
        const qint64 localToday = LocalDateAt(*zone, utcMs).toJulianDay() - kJulianDayOfEpoch;
        for (qint64 day = localToday - 1; day <= localToday + 8; ++day) {
            const qint64 start = UtcMsForLocal(*zone, day * kMsPerDay);
            if (!week.Counts(start, UtcMsForLocal(*zone, (day + 1) * kMsPerDay))) continue;
            const QDate date = QDate::fromJulianDay(day + kJulianDayOfEpoch);
            if (!note && !days->IsKnown(date.year()))
                note = TUpcomingEvent{
                    start,
                    MarketName(exchange) + QStringLiteral(": календарь на ") + QString::number(date.year()) +
                        kNoBreak + QStringLiteral("год ещё не известен, взяты государственные праздники"),
                    kRankNote};
            const TExchangeDay& status = days->Day(date);
            const bool weekend = date.dayOfWeek() >= Qt::Saturday && status.Kind == TExchangeDay::Closed;
            if (status.Kind == TExchangeDay::Trading || weekend) continue;
            add(date, start, {MarketName(exchange), status, CityOf(exchange)});
        }
    }

    THolidayLines lines;
    for (const auto& [julianDay, line] : dates)
        lines.Lines.push_back(
            {line.AtMs, LineText(QDate::fromJulianDay(julianDay), line.Parts), kRankHoliday});
    if (note) lines.Lines.push_back(*note);
    lines.ReviewAtMs = week.Review();
    return lines;
}
