// Two years of the main window's minute, through the model's one call, against a model of
// the trading calendar written out here on its own: the exchanges' holidays and early closes as published
// (not by the program's rules), the currency market's two holidays, the session hours, and the zones of the
// tz database. At every hour of 2026 and 2027, and minute by minute around every opening and closing, each
// bar's and strip's state, countdown and title are compared, whether a balloon is due and what it says, and
// the coming events' lines of holidays and early closes.
// Sanitizer builds run a few days around the holidays only (HORAVANE_SIMULATED_DAYS).
#include "model/MainModel.h"

#include "BarTexts.h"
#include "settings/Settings.h"
#include "timezones/TimeFormat.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr qint64 kMinute = 60'000, kHour = 3'600'000, kDay = 86'400'000;

qint64 Ms(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch();
}
QString Iso(qint64 utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODate);
}

// The instant a zone's clock reads wallMs (milliseconds since 1970 of that clock).
qint64 AtWall(qint64 wallMs, const QTimeZone& zone) {
    const QDateTime wall = QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC);
    return QDateTime(wall.date(), wall.time(), zone).toMSecsSinceEpoch();
}
qint64 Wall(qint64 utcMs, const QTimeZone& zone) {
    return utcMs + zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC)) * 1000LL;
}
QDate WallDate(qint64 wallMs) {
    return QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC).date();
}
qint64 Midnight(const QDate& date) {
    return QDateTime(date, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
}

// --- the calendar as the exchanges publish it ---

struct Listed {
    std::set<QDate> closed;
    std::map<QDate, int> early;  // closing minute of the exchange's clock
};
QDate D(int y, int m, int d) {
    return QDate(y, m, d);
}

const Listed kNyse{
    {D(2026, 1, 1),   D(2026, 1, 19),  D(2026, 2, 16),  D(2026, 4, 3),   D(2026, 5, 25), D(2026, 6, 19),
     D(2026, 7, 3),   D(2026, 9, 7),   D(2026, 11, 26), D(2026, 12, 25), D(2027, 1, 1),  D(2027, 1, 18),
     D(2027, 2, 15),  D(2027, 3, 26),  D(2027, 5, 31),  D(2027, 6, 18),  D(2027, 7, 5),  D(2027, 9, 6),
     D(2027, 11, 25), D(2027, 12, 24), D(2028, 1, 17)},
    {{D(2026, 11, 27), 780}, {D(2026, 12, 24), 780}, {D(2027, 11, 26), 780}}};
// The CME's day session: closed on New Year's Day, Good Friday and Christmas, 12:00 on
// the NYSE's other holidays, 12:15 after Thanksgiving and on 24 December.
const Listed kCme{
    {D(2026, 1, 1), D(2026, 4, 3), D(2026, 12, 25), D(2027, 1, 1), D(2027, 3, 26), D(2027, 12, 24)},
    {{D(2026, 1, 19), 720},
     {D(2026, 2, 16), 720},
     {D(2026, 5, 25), 720},
     {D(2026, 6, 19), 720},
     {D(2026, 7, 3), 720},
     {D(2026, 9, 7), 720},
     {D(2026, 11, 26), 720},
     {D(2026, 11, 27), 735},
     {D(2026, 12, 24), 735},
     {D(2027, 1, 18), 720},
     {D(2027, 2, 15), 720},
     {D(2027, 5, 31), 720},
     {D(2027, 6, 18), 720},
     {D(2027, 7, 5), 720},
     {D(2027, 9, 6), 720},
     {D(2027, 11, 25), 720},
     {D(2027, 11, 26), 735},
     {D(2028, 1, 17), 720}}};
// The Moscow exchange's list for 2026; for 2027 and 2028 the public holidays on weekdays.
const Listed kRts{
    {D(2026, 1, 1),  D(2026, 1, 2),   D(2026, 1, 7),  D(2026, 2, 23), D(2026, 5, 1),  D(2026, 6, 12),
     D(2026, 11, 4), D(2026, 12, 31), D(2027, 1, 1),  D(2027, 1, 4),  D(2027, 1, 5),  D(2027, 1, 6),
     D(2027, 1, 7),  D(2027, 1, 8),   D(2027, 2, 23), D(2027, 3, 8),  D(2027, 11, 4), D(2028, 1, 3),
     D(2028, 1, 4),  D(2028, 1, 5),   D(2028, 1, 6),  D(2028, 1, 7),  D(2028, 2, 23), D(2028, 3, 8),
     D(2028, 5, 1),  D(2028, 5, 9),   D(2028, 6, 12)},
    {}};

// --- the model ---

using Spans = std::vector<std::pair<qint64, qint64>>;

struct Bar {
    QString name;
    int open = 0, close = 0;  // chart-zone minutes of the day
    Spans spans;
};

struct Exchange {
    QString name;
    const QTimeZone* zone;
    int open, close;  // minutes of its own clock
    const Listed* listed;
    Spans spans;
    std::vector<int> closes;  // each span's closing minute of its own clock
};

struct Model {
    QTimeZone newYork{"America/New_York"}, chicago{"America/Chicago"}, moscow{"Europe/Moscow"};

    // The currency market's day ends at 17:00 in New York: its date is New York's seven
    // hours later. It trades Monday to Friday but on 25 December and 1 January.
    bool MarketTrades(qint64 utcMs) const {
        const QDate day = WallDate(Wall(utcMs, newYork) + 7 * kHour);
        return day.dayOfWeek() <= 5 && !(day.month() == 12 && day.day() == 25) &&
               !(day.month() == 1 && day.day() == 1);
    }
    // The chart zone's clock reads New York's of seven hours later.
    qint64 ChartWall(qint64 utcMs) const { return Wall(utcMs + 7 * kHour, newYork); }
    qint64 ChartToUtc(qint64 chartWallMs) const { return AtWall(chartWallMs, newYork) - 7 * kHour; }

    void FillBar(Bar& bar, qint64 fromDay, qint64 toDay) const {
        for (qint64 day = fromDay; day <= toDay; day += kDay) {
            const qint64 open = ChartToUtc(day + bar.open * kMinute),
                         close = ChartToUtc(day + bar.close * kMinute);
            if (MarketTrades(open)) bar.spans.emplace_back(open, close);
        }
    }
    // An exchange's sessions on its own trading days, ending at the latest with the chart
    // zone's day.
    void FillExchange(Exchange& e, const QDate& from, const QDate& to) const {
        for (QDate day = from; day <= to; day = day.addDays(1)) {
            if (day.dayOfWeek() >= 6 || e.listed->closed.count(day)) continue;
            const auto early = e.listed->early.find(day);
            const int close = early == e.listed->early.end() ? e.close : early->second;
            const qint64 open = AtWall(Midnight(day) + e.open * kMinute, *e.zone);
            const qint64 chartDayEnd = ChartToUtc((ChartWall(open) / kDay + 1) * kDay);
            e.spans.emplace_back(open,
                                 std::min(AtWall(Midnight(day) + close * kMinute, *e.zone), chartDayEnd));
            e.closes.push_back(close);
        }
    }
    // The whole hours a zone is ahead of the chart zone at an instant, truncated.
    int HoursAhead(const QTimeZone& zone, qint64 utcMs) const {
        const qint64 ahead = Wall(utcMs, zone) - ChartWall(utcMs);
        return int(ahead / kHour);
    }
};

// Open now, the instant that ends it, and which span (the one running or next).
struct State {
    bool open;
    qint64 until;
    size_t span;
};
State StateOf(const Spans& spans, qint64 utcMs) {
    const auto next = std::upper_bound(spans.begin(), spans.end(), utcMs,
                                       [](qint64 t, const auto& span) { return t < span.second; });
    if (next == spans.end()) {
        ADD_FAILURE() << "the model has no span after " << Iso(utcMs).toStdString();
        return {false, utcMs, 0};
    }
    const size_t i = size_t(next - spans.begin());
    return utcMs < next->first ? State{false, next->first, i} : State{true, next->second, i};
}

// A minute of an exchange's clock moved into the chart zone by whole hours; held at 0:00
// below and at 24:00 above.
int ChartMinutes(int localMinutes, int hoursAhead) {
    const int hour = localMinutes / 60 - hoursAhead;
    return hour < 0 ? 0 : hour >= 24 ? 1440 : hour * 60 + localMinutes % 60;
}
QString Title(const QString& name, int open, int close) {
    return name + " (" + HourText(open) + " - " + (close == 1440 ? QString("0:00") : HourText(close)) + ")";
}

// The stretches simulated: the two years, or days around the holidays.
std::vector<std::pair<qint64, qint64>> Stretches() {
    const int days = qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS");
    if (days <= 0) return {{Ms("2026-01-01T00:00:00Z"), Ms("2028-01-01T00:00:00Z")}};
    std::vector<std::pair<qint64, qint64>> stretches;
    const char* around[] = {"2026-11-25T12:00:00Z", "2026-12-23T12:00:00Z", "2027-03-25T12:00:00Z",
                            "2027-12-22T12:00:00Z"};
    const qint64 length = std::max(1, days / 3) * kDay;
    for (const char* from : around) stretches.emplace_back(Ms(from), Ms(from) + length);
    return stretches;
}

// The holiday lines the coming events hold at an instant, by date: each market closed or
// closing early on a day that is not over and begins within a week, by the market's own
// clock (the currency market's day begins at 17:00 in New York the evening before).
struct HolidayPart {
    QString market;
    int early;  // closing minute of the exchange's clock; 0: closed all day
};
std::map<QDate, std::vector<HolidayPart>> HolidaysAhead(const Model& model,
                                                        const std::vector<Exchange>& exchanges,
                                                        qint64 utcMs) {
    std::map<QDate, std::vector<HolidayPart>> days;
    const auto counts = [utcMs](qint64 start, qint64 end) {
        return start - 7 * kDay <= utcMs && utcMs < end;
    };
    const QDate today = WallDate(Wall(utcMs, model.newYork));
    for (QDate date = today.addDays(-2); date <= today.addDays(9); date = date.addDays(1)) {
        if (date.dayOfWeek() >= 6) continue;
        const bool fxHoliday =
            (date.month() == 12 && date.day() == 25) || (date.month() == 1 && date.day() == 1);
        if (fxHoliday && counts(AtWall(Midnight(date) - 7 * kHour, model.newYork),
                                AtWall(Midnight(date) + 17 * kHour, model.newYork)))
            days[date].push_back({"рынок FX", 0});
        for (const Exchange& e : exchanges) {
            const auto early = e.listed->early.find(date);
            const bool closed = e.listed->closed.count(date) != 0;
            if (!closed && early == e.listed->early.end()) continue;
            if (counts(AtWall(Midnight(date), *e.zone), AtWall(Midnight(date.addDays(1)), *e.zone)))
                days[date].push_back({e.name, closed ? 0 : early->second});
        }
    }
    return days;
}
QString MonthDay(const QDate& date) {
    static const char* const kMonths[] = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                                          "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
    return QString::number(date.day()) + QChar(0xA0) + QString::fromUtf8(kMonths[date.month() - 1]);
}

}  // namespace

TEST(TradingYear, BarsStripsBalloonsAndHolidayLinesFollowTheCalendarThrough2026And2027) {
    SetCurrentTimeFormatSettings(TimeFormatSettings{});
    Model model;
    std::vector<Bar> sessions = {{"Sydney", 0, 540, {}},
                                 {"Tokyo", 120, 660, {}},
                                 {"London", 600, 1140, {}},
                                 {"NewYork", 900, 1440, {}}};
    std::vector<Bar> strips = {{"", 120, 540, {}}, {"", 600, 660, {}}, {"", 900, 1140, {}}};
    std::vector<Exchange> exchanges = {{"CME", &model.chicago, 570, 1020, &kCme, {}, {}},
                                       {"NYSE", &model.newYork, 570, 960, &kNyse, {}, {}},
                                       {"РТС", &model.moscow, 600, 1005, &kRts, {}, {}}};
    const qint64 firstDay = Midnight(D(2025, 12, 29)), lastDay = Midnight(D(2028, 1, 20));
    for (auto* bars : {&sessions, &strips})
        for (Bar& bar : *bars) model.FillBar(bar, firstDay, lastDay);
    for (Exchange& e : exchanges) model.FillExchange(e, D(2025, 12, 29), D(2028, 1, 20));

    // Every instant to look at: each whole hour, and the minutes around each change.
    std::vector<qint64> instants;
    for (const auto& [from, to] : Stretches()) {
        for (qint64 t = from; t < to; t += kHour) instants.push_back(t);
        const auto around = [&](const Spans& spans) {
            for (const auto& [open, close] : spans)
                for (qint64 change : {open, close})
                    if (change >= from && change < to)
                        for (qint64 t : {change - kMinute, change, change + kMinute}) instants.push_back(t);
        };
        for (const auto* bars : {&sessions, &strips})
            for (const Bar& bar : *bars) around(bar.spans);
        for (const Exchange& e : exchanges) around(e.spans);
    }
    std::sort(instants.begin(), instants.end());
    // A balloon at each session's opening and closing, closings first.
    std::map<qint64, QStringList> expectedBalloons;
    for (bool opens : {false, true})
        for (const Bar& bar : sessions)
            for (const auto& [open, close] : bar.spans) {
                QStringList& parts = expectedBalloons[opens ? open : close];
                parts << (parts.isEmpty() ? (opens ? "Открылся " : "Закрылся ")
                                          : (opens ? "открылся " : "закрылся ")) +
                             bar.name;
            }
    instants.erase(std::unique(instants.begin(), instants.end()), instants.end());

    // The program: the main window's model as it starts and ticks, each instant a minute
    // of its own; the calendar it ships, the clocks and the settings of a first start.
    QTemporaryDir dir;
    SetSettingsFileName(dir.filePath("horavane.ini"));
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    QStringList errors;
    TMainModelOptions options;
    options.reportError = [&errors](const QString& message) { errors << message; };
    TMainModel program(options);
    program.StartUp(instants.front());
    ASSERT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    int wrong = 0, balloonsSeen = 0, closedDays = 0;
    qsizetype holidayLinesSeen = 0;
    qint64 now = 0;
    const auto check = [&](bool ok, const QString& what, const QString& shown, const QString& expected) {
        if (!ok && ++wrong <= 12)
            ADD_FAILURE() << Iso(now).toStdString() << " " << what.toStdString() << ": "
                          << shown.toStdString() << ", expected " << expected.toStdString();
    };
    for (const qint64 t : instants) {
        now = t;
        const TMinutePicture* picture = program.Tick(t);
        ASSERT_NE(picture, nullptr);
        const qint64 minute = t / kMinute * kMinute;
        for (size_t g = 0; g < 7; ++g) {
            State state{};
            QString title;
            if (g < 4) {
                state = StateOf(sessions[g].spans, t);
                title = Title(sessions[g].name, sessions[g].open, sessions[g].close);
            } else {
                const Exchange& e = exchanges[g - 4];
                state = StateOf(e.spans, t);
                const int ahead = model.HoursAhead(*e.zone, state.open ? t : state.until);
                title = Title(e.name, ChartMinutes(e.open, ahead), ChartMinutes(e.closes[state.span], ahead));
                closedDays += !state.open && state.until - t > 3 * kDay;
            }
            const QString expected =
                title + (state.open ? " до закрытия " : " до открытия ") + Countdown(state.until - minute);
            const TBarFace& bar = picture->Bars.at(g);
            const QString shown = bar.Title + " " + bar.Countdown;
            check(shown == expected && bar.Open == state.open, "bar", shown, expected);
        }
        for (size_t g = 0; g < 3; ++g) {
            const State state = StateOf(strips[g].spans, t);
            const TOverlapFace& strip = picture->Overlaps.at(g);
            const QString expected = state.open ? HourText(int((state.until - minute) / kMinute))
                                                : HourText(strips[g].close - strips[g].open);
            check(strip.Open == state.open && strip.Value == expected, "strip", strip.Value, expected);
        }
        const auto balloon = expectedBalloons.find(minute);
        const QStringList parts = balloon == expectedBalloons.end() ? QStringList() : balloon->second;
        const QString shown = picture->Balloon.value_or(QString());
        check(shown == parts.join(", "), "balloon", shown, parts.join(", "));
        balloonsSeen += !parts.isEmpty();

        // The coming events tell each holiday and early close of the week ahead on one
        // line of its date, naming exactly the markets it closes.
        const auto holidays = HolidaysAhead(model, exchanges, t);
        QStringList dated;
        for (const TUpcomingEvent& event : picture->Events) {
            if (event.Rank != kRankHoliday) continue;
            dated << event.Text;
            const QString date = event.Text.section(": ", 0, 0);
            const auto day = std::find_if(holidays.begin(), holidays.end(),
                                          [&](const auto& entry) { return MonthDay(entry.first) == date; });
            if (day == holidays.end()) {
                check(false, "holiday line", event.Text, "none for that date");
                continue;
            }
            for (const QString market : {"рынок FX", "NYSE", "CME", "РТС"}) {
                const auto part = std::find_if(day->second.begin(), day->second.end(),
                                               [&](const HolidayPart& p) { return p.market == market; });
                const bool named = event.Text.contains(market + " ") || event.Text.contains(market + ",");
                QString expected = part == day->second.end() ? "no " + market : market;
                bool ok = named == (part != day->second.end());
                if (ok && part != day->second.end() && part->early) {
                    expected = market + " до " + HourText(part->early);
                    ok = event.Text.contains(expected);
                }
                check(ok, "holiday line", event.Text, expected);
            }
        }
        check(dated.size() == qsizetype(holidays.size()), "holiday lines", dated.join(" | "),
              QString::number(holidays.size()) + " dates");
        holidayLinesSeen += qsizetype(holidays.size());
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(balloonsSeen, 0);
    EXPECT_GT(closedDays, 0);  // the countdowns crossed a holiday and a weekend
    EXPECT_GT(holidayLinesSeen, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}
