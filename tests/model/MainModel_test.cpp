// The main window's model, with no window: weeks of its minute, one instant at a time,
// across weekends, holidays, clock changes and New Year, and the coming events it tells,
// against the trading week and the tz database worked out here on their own.
#include "model/MainModel.h"

#include "BarTexts.h"

#include "platform/Clock.h"
#include "sessions/SessionChart.h"
#include "settings/Settings.h"
#include "timezones/TimeFormat.h"
#include "timezones/TzCatalogue.h"
#include "worldmap/WorldMapCapital.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// A running model of the main window: the tz database's catalogue, a computer in Tokyo,
// the settings file and the user's holiday tables in a folder of the test's own.
struct MainModelTest : ::testing::Test {
    QTemporaryDir dir;
    QStringList errors;
    std::unique_ptr<TMainModel> model;

    MainModelTest() {
        SetSettingsFileName(dir.filePath("horavane.ini"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
        SetCurrentTimeFormatSettings(TimeFormatSettings{});
    }
    void StartUp(qint64 utcMs, const char* computerZone = "FLE Standard Time") {
        TMainModelOptions options;
        options.reportError = [this](const QString& m) { errors << m; };
        const QString computer = QString::fromLatin1(computerZone);
        options.computerZone = [computer](const TTimeZoneList& list, qint64) {
            return list[list.IndexOfStandardName(computer)].ToTimeZoneInformation();
        };
        model = std::make_unique<TMainModel>(options);
        model->StartUp(utcMs);
    }
};

// The record of a catalogue zone as the catalogue has it at an instant.
TIME_ZONE_INFORMATION RecordAt(const char* isoUtc, const char* key) {
    TTimeZoneList catalogue;
    LoadTimeZones(BuildZoneRegistryAt(
                      QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toMSecsSinceEpoch())
                      .registry,
                  catalogue, {});
    return catalogue[catalogue.IndexOfStandardName(QString::fromLatin1(key))].ToTimeZoneInformation();
}

QStringList Texts(const std::vector<TUpcomingEvent>& events) {
    QStringList texts;
    for (const TUpcomingEvent& event : events) texts << event.Text;
    return texts;
}

// --- the trading week, worked out afresh from the tz database ----------------------

constexpr qint64 kMinute = 60'000;
constexpr qint64 kHour = 3'600'000;

qint64 Ms(const char* isoUtc) {
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toMSecsSinceEpoch();
}

// The instant at which the zone's clock reads the wall time given as naive milliseconds.
qint64 AtWallTime(qint64 wallMs, const QTimeZone& zone) {
    const QDateTime wall = QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC);
    return QDateTime(wall.date(), wall.time(), zone).toMSecsSinceEpoch();
}

qint64 WallTime(qint64 utcMs, const QTimeZone& zone) {
    return utcMs + zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC)) * 1000LL;
}

int Weekday(qint64 wallMs) {  // Qt's: Monday 1 .. Sunday 7
    return QDateTime::fromMSecsSinceEpoch(wallMs, Qt::UTC).date().dayOfWeek();
}

// The currency market is open from Sunday 17:00 to Friday 17:00 New York time. The chart
// zone is New York's rule moved to UTC+2: its clock reads New York's plus seven hours,
// and it makes New York's changes at the same readings of its own clock, so seven hours
// before New York does (its state at an instant is New York's seven hours later). An
// exchange is open during its own hours on its own weekdays, ending at the latest with
// the chart zone's day (the chart holds the CME at 24:00, 16:00 in Chicago); its bar's
// title shows them moved into the chart zone by whole hours, as they are during the
// session running or coming next.
struct TradingModel {
    QTimeZone newYork{"America/New_York"}, chicago{"America/Chicago"}, moscow{"Europe/Moscow"};

    struct Bar {
        QString name;
        int open, close;  // chart-zone minutes of the day (1440 = 24:00)
        std::vector<std::pair<qint64, qint64>> spans;
    };

    bool MarketOpen(qint64 utcMs) const {
        const qint64 wall = WallTime(utcMs, newYork);
        const int day = Weekday(wall);
        const qint64 ofDay = ((wall % (24 * kHour)) + 24 * kHour) % (24 * kHour);
        if (day == 6) return false;
        if (day == 7) return ofDay >= 17 * kHour;
        if (day == 5) return ofDay < 17 * kHour;
        return true;
    }
    int ChartOffset(qint64 utcMs) const {  // seconds east of UTC
        return newYork.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs + 7 * kHour, Qt::UTC)) + 7 * 3600;
    }
    qint64 ChartWallTime(qint64 utcMs) const { return utcMs + ChartOffset(utcMs) * 1000LL; }
    qint64 ChartDayToUtc(qint64 chartDayStartWall, int minutes) const {
        return AtWallTime(chartDayStartWall + minutes * kMinute, newYork) - 7 * kHour;
    }
    // The bar's spans on the chart-zone days from..to (wall milliseconds of midnight);
    // tradesAt tells whether the span that opens at an instant trades.
    template <class Trades>
    void FillSpans(Bar& bar, qint64 fromDay, qint64 toDay, Trades tradesAt) const {
        bar.spans.clear();
        for (qint64 day = fromDay; day <= toDay; day += 24 * kHour) {
            const qint64 open = ChartDayToUtc(day, bar.open), close = ChartDayToUtc(day, bar.close);
            if (close > open && tradesAt(open)) bar.spans.emplace_back(open, close);
        }
    }
    // Open now, and the instant that ends it.
    static std::pair<bool, qint64> State(const Bar& bar, qint64 utcMs) {
        for (const auto& [open, close] : bar.spans) {
            if (utcMs < open) return {false, open};
            if (utcMs < close) return {true, close};
        }
        ADD_FAILURE() << "the model has no span after " << utcMs;
        return {false, utcMs};
    }

    // An exchange's sessions on its own days from..to (wall milliseconds of its midnights)
    // but its holidays.
    std::vector<std::pair<qint64, qint64>> ExchangeSessions(const QTimeZone& zone, int openMinutes,
                                                            int closeMinutes, qint64 fromDay, qint64 toDay,
                                                            const std::set<QDate>& holidays) const {
        std::vector<std::pair<qint64, qint64>> spans;
        for (qint64 day = fromDay; day <= toDay; day += 24 * kHour) {
            if (Weekday(day) >= 6 || holidays.count(QDateTime::fromMSecsSinceEpoch(day, Qt::UTC).date()))
                continue;
            const qint64 open = AtWallTime(day + openMinutes * kMinute, zone);
            const qint64 chartDayEnd =
                ChartDayToUtc(ChartWallTime(open) / (24 * kHour) * (24 * kHour) + 24 * kHour, 0);
            spans.emplace_back(open, std::min(AtWallTime(day + closeMinutes * kMinute, zone), chartDayEnd));
        }
        return spans;
    }
    // An exchange's whole-hour offset from the chart zone during its session now or next.
    int ExchangeOffset(const QTimeZone& zone, const std::vector<std::pair<qint64, qint64>>& sessions,
                       qint64 utcMs) const {
        const auto session = std::find_if(sessions.begin(), sessions.end(),
                                          [&](const auto& span) { return span.second > utcMs; });
        EXPECT_NE(session, sessions.end());
        const qint64 at = std::max(utcMs, session->first);
        const int ahead = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC)) - ChartOffset(at);
        return ahead / 3600;  // truncated toward zero
    }
};

// A local time of day (minutes) moved into the chart zone by whole hours: an hour pushed
// below 0:00 stays at 0:00, one pushed to 24:00 or beyond is 24:00.
int ChartMinutes(int localMinutes, int hoursAhead) {
    const int hour = localMinutes / 60 - hoursAhead;
    return hour < 0 ? 0 : hour >= 24 ? 1440 : hour * 60 + localMinutes % 60;
}

QString Title(const TradingModel::Bar& bar) {
    return bar.name + " (" + HourText(bar.open) + " - " + HourText(bar.close) + ")";
}

const QTimeZone& Zone(const char* iana) {
    static std::map<std::string, QTimeZone> zones;
    const auto found = zones.find(iana);
    return found != zones.end() ? found->second : zones.emplace(iana, QTimeZone(iana)).first->second;
}

// The time a zone's clock shows, as the clocks show it ("9:05").
QString ClockAt(qint64 utcMs, const char* zone) {
    return QDateTime::fromMSecsSinceEpoch(utcMs, Zone(zone)).toString("H:mm");
}

// The day a clock shows against the reference clock's, as its box adds it: " +1 д.",
// " −1 д.", nothing on the same date.
QString DayMark(qint64 utcMs, const char* zone, const char* reference) {
    const QDate there = QDateTime::fromMSecsSinceEpoch(utcMs, Zone(zone)).date();
    const qint64 days = QDateTime::fromMSecsSinceEpoch(utcMs, Zone(reference)).date().daysTo(there);
    return days == 0 ? QString() : QString(days > 0 ? " +" : " −") + QString::number(std::abs(days)) + " д.";
}

// The instants the currency market opens or closes from..to, minute by minute.
std::vector<qint64> MarketChanges(const TradingModel& model, qint64 from, qint64 to) {
    std::vector<qint64> changes;
    bool open = model.MarketOpen(from);
    for (qint64 t = from / kMinute * kMinute + kMinute; t <= to; t += kMinute)
        if (model.MarketOpen(t) != open) {
            open = !open;
            changes.push_back(t);
        }
    return changes;
}

// The time to an event as the coming events tell it: "1 д. 2 ч. 5 мин", no part that is
// zero, a non-breaking space between a number and its unit.
QString PanelCountdown(qint64 ms) {
    const qint64 m = ms / kMinute;
    QStringList parts;
    if (m >= 1440) parts << QString::number(m / 1440) + QChar(0xA0) + "д.";
    if (m / 60 % 24) parts << QString::number(m / 60 % 24) + QChar(0xA0) + "ч.";
    if (m % 60 || parts.isEmpty()) parts << QString::number(m % 60) + QChar(0xA0) + "мин";
    return parts.join(' ');
}

// The coming events of the trading week at t, in time order, those of one instant on one
// line: the market's opening, or its close once that is within a day; the next two
// openings or closings of the sessions (closings first); the next start of the London and
// NewYork overlap. Countdowns run from t's minute.
std::vector<std::pair<qint64, QString>> WeekEvents(const TradingModel& model,
                                                   const std::vector<qint64>& marketChanges,
                                                   const std::vector<TradingModel::Bar>& sessions,
                                                   const TradingModel::Bar& overlap, qint64 t) {
    const qint64 minute = t / kMinute * kMinute;
    struct Part {
        qint64 at;
        int order;  // closings, then openings, the market first; then the overlap
        QString name;
    };
    std::vector<Part> sessionParts;
    for (size_t g = 0; g < sessions.size(); ++g)
        for (const auto& [open, close] : sessions[g].spans) {
            if (close > t) sessionParts.push_back({close, 1 + int(g), sessions[g].name});
            if (open > t) sessionParts.push_back({open, 11 + int(g), sessions[g].name});
        }
    const auto earlier = [](const Part& a, const Part& b) {
        return std::tie(a.at, a.order) < std::tie(b.at, b.order);
    };
    std::sort(sessionParts.begin(), sessionParts.end(), earlier);
    std::vector<Part> parts(sessionParts.begin(), sessionParts.begin() + 2);
    const qint64 next = *std::upper_bound(marketChanges.begin(), marketChanges.end(), t);
    if (!model.MarketOpen(t))
        parts.push_back({next, 10, "рынка"});
    else if (next - minute < 24 * kHour)
        parts.push_back({next, 0, "рынка"});
    for (const auto& [open, close] : overlap.spans)
        if (open > t) {
            parts.push_back({open, 20, "London – NewYork"});
            break;
        }
    std::sort(parts.begin(), parts.end(), earlier);
    std::vector<std::pair<qint64, QString>> lines;
    for (size_t i = 0; i < parts.size();) {
        QStringList closing, opening, overlaps;
        bool market = false;
        size_t j = i;
        for (; j < parts.size() && parts[j].at == parts[i].at; ++j) {
            (parts[j].order < 10 ? closing : parts[j].order < 20 ? opening : overlaps) << parts[j].name;
            market = market || parts[j].name == "рынка";
        }
        const auto join = [](const QStringList& names) {
            return names.size() < 2 ? names.join("")
                                    : names.mid(0, names.size() - 1).join(", ") + " и " + names.last();
        };
        QStringList phrases;
        if (!closing.isEmpty()) phrases << "закрытие " + join(closing);
        if (!opening.isEmpty()) phrases << "открытие " + join(opening);
        for (const QString& name : overlaps) phrases << "пересечение " + name;
        QString text = phrases.join(", ");
        text[0] = text[0].toUpper();
        text += " через " + PanelCountdown(parts[i].at - minute);
        if (market) {
            const QDateTime there = QDateTime::fromMSecsSinceEpoch(parts[i].at, model.newYork);
            text += " (" +
                    QStringList{"понедельник", "вторник", "среда",      "четверг",
                                "пятница",     "суббота", "воскресенье"}[there.date().dayOfWeek() - 1] +
                    there.toString(" H:mm") + " NewYork)";
        }
        lines.emplace_back(parts[i].at, text);
        i = j;
    }
    return lines;
}

// Three stretches of the minute, one after another through one running model: the
// American and European March changes, the European and American autumn ones, and New
// Year, each across weekends. At every minute the clocks, the reference clock, the hour
// line, the map's markers, the seven bars, the three strips and the coming events are
// compared with the tz database and with the trading rules worked out above; the balloons
// of the whole run with those of the trading days. The computer is in Tokyo and the user
// chose Kyiv as the reference zone, a choice the catalogue's readings at New Year keep.
// Clock 2 shows Chicago: the chart follows New York's rule all the same. The fifth clock was saved with the
// 2026 rule of Casablanca, which in 2027 changes on other days; the model must use this year's. Sanitizer
// builds run a day of each stretch only, around its changes (HORAVANE_SIMULATED_DAYS).
TEST_F(MainModelTest, WeeksOfMinutesFollowTheTradingWeekClockChangesAndNewYear) {
    struct Stretch {
        const char* from;
        const char* to;
        const char* shortFrom;  // a day around the changes
    };
    const Stretch full[] = {{"2027-03-05T00:00:00Z", "2027-03-31T00:00:00Z", "2027-03-14T00:00:00Z"},
                            {"2027-10-22T00:00:00Z", "2027-11-10T00:00:00Z", "2027-11-06T22:30:00Z"},
                            {"2027-12-24T00:00:00Z", "2028-01-07T00:00:00Z", "2027-12-31T12:00:00Z"}};
    const bool scaled = qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS") > 0;
    const qint64 scaledDays = std::max(1, qEnvironmentVariableIntValue("HORAVANE_SIMULATED_DAYS") / 3);
    std::vector<std::pair<qint64, qint64>> stretches;
    for (const Stretch& s : full)
        stretches.emplace_back(scaled ? Ms(s.shortFrom) : Ms(s.from),
                               scaled ? Ms(s.shortFrom) + scaledDays * 24 * kHour : Ms(s.to));

    GetSettings().WriteCapital(
        4, TMainCapital("Casablanca", RecordAt("2026-06-01T00:00:00Z", "Morocco Standard Time"), 0));
    GetSettings().WriteCapital(
        1, TMainCapital("Chicago", RecordAt("2026-06-01T00:00:00Z", "Central Standard Time"), 0));
    GetSettings().WriteLocalZone(RecordAt("2026-06-01T00:00:00Z", "FLE Standard Time"));
    StartUp(stretches.front().first, "Tokyo Standard Time");
    ASSERT_NE(model->ReferenceEntry(), kComputerTime);
    QStringList balloons;

    TradingModel trading;
    std::vector<TradingModel::Bar> sessions = {{"Sydney", 0, 540, {}},
                                               {"Tokyo", 120, 660, {}},
                                               {"London", 600, 1140, {}},
                                               {"NewYork", 900, 1440, {}}};
    std::vector<TradingModel::Bar> strips = {{"", 120, 540, {}}, {"", 600, 660, {}}, {"", 900, 1140, {}}};
    struct Exchange {
        const char* name;
        const QTimeZone* zone;
        int localOpen, localClose;
        const std::set<QDate>* holidays;
    };
    // Their holidays in the stretches: Good Friday and Christmas (kept on Friday 24
    // December 2027) in America; the public holidays in Moscow, whose 2027 and 2028
    // calendars the program does not know.
    const std::set<QDate> american = {QDate(2027, 3, 26), QDate(2027, 12, 24)};
    const std::set<QDate> russian = {QDate(2027, 3, 8), QDate(2027, 11, 4), QDate(2028, 1, 3),
                                     QDate(2028, 1, 4), QDate(2028, 1, 5),  QDate(2028, 1, 6),
                                     QDate(2028, 1, 7)};
    const Exchange exchanges[] = {{"CME", &trading.chicago, 570, 1020, &american},
                                  {"NYSE", &trading.newYork, 570, 960, &american},
                                  {"РТС", &trading.moscow, 600, 1005, &russian}};
    const char* clockZones[] = {"Europe/London", "America/Chicago", "Asia/Tokyo", "Australia/Sydney",
                                "Africa/Casablanca"};
    const std::pair<const char*, const char*> markerZones[] = {
        {"London", "Europe/London"},    {"NewYork", "America/New_York"}, {"Tokyo", "Asia/Tokyo"},
        {"Moscow", "Europe/Moscow"},    {"Chicago", "America/Chicago"},  {"Paris", "Europe/Paris"},
        {"Bern", "Europe/Zurich"},      {"Berlin", "Europe/Berlin"},     {"Minsk", "Europe/Minsk"},
        {"Kiev", "Europe/Kyiv"},        {"Astana", "Asia/Almaty"},       {"Hongkong", "Asia/Hong_Kong"},
        {"Singapore", "Asia/Singapore"}};
    ASSERT_EQ(model->MarkerList().Count(), 13);

    QStringList expectedBalloons;
    // "14 марта: ...", "26 марта: NYSE и CME закрыты ...", "РТС: календарь ..."
    const QRegularExpression calendarLine(QString("^(\\d+") + QChar(0xA0) + "\\S+|РТС): ");
    int wrong = 0;
    qint64 now = 0;
    auto check = [&](bool ok, const QString& what, const QString& shown, const QString& expected) {
        if (!ok && ++wrong <= 10)
            ADD_FAILURE() << QDateTime::fromMSecsSinceEpoch(now, Qt::UTC).toString(Qt::ISODate).toStdString()
                          << " " << what.toStdString() << ": " << shown.toStdString() << ", expected "
                          << expected.toStdString();
    };
    for (size_t s = 0; s < stretches.size(); ++s) {
        const auto [from, to] = stretches[s];
        // The model's spans, from the chart-zone day before the stretch to two weeks after,
        const qint64 firstDay = trading.ChartWallTime(from) / (24 * kHour) * (24 * kHour) - 24 * kHour;
        // far enough for the Moscow exchange's New Year break.
        const qint64 lastDay = firstDay + (to - from) / (24 * kHour) * (24 * kHour) + 16 * 24 * kHour;
        for (auto* bars : {&sessions, &strips})
            for (TradingModel::Bar& bar : *bars)
                trading.FillSpans(bar, firstDay, lastDay,
                                  [&](qint64 open) { return trading.MarketOpen(open); });
        // Balloons: where session spans meet the minutes after start-up.
        for (qint64 t = s == 0 ? from + kMinute : from; t <= to; t += kMinute) {
            QStringList closing, opening;
            for (const TradingModel::Bar& bar : sessions)
                for (const auto& [open, close] : bar.spans) {
                    if (close == t) closing << bar.name;
                    if (open == t) opening << bar.name;
                }
            QStringList parts;
            for (const QString& name : closing) parts << (parts.isEmpty() ? "Закрылся " : "закрылся ") + name;
            for (const QString& name : opening) parts << (parts.isEmpty() ? "Открылся " : "открылся ") + name;
            if (!parts.isEmpty())
                expectedBalloons << QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString("yyyy-MM-dd hh:mm ") +
                                        parts.join(", ");
        }
        const std::vector<qint64> marketChanges = MarketChanges(trading, from, to + 8 * 24 * kHour);
        std::vector<TradingModel::Bar> exchangeBars;
        for (const Exchange& e : exchanges) {
            const qint64 firstLocalDay = WallTime(from, *e.zone) / (24 * kHour) * (24 * kHour) - 24 * kHour;
            exchangeBars.push_back(
                {e.name, 0, 0,
                 trading.ExchangeSessions(*e.zone, e.localOpen, e.localClose, firstLocalDay,
                                          firstLocalDay + (lastDay - firstDay), *e.holidays)});
        }
        // A second into each minute: what the model shows is of the whole minute.
        for (qint64 t = from; t <= to; t += kMinute) {
            now = t + 1'000;
            const TMinutePicture* picture = model->Tick(now);
            ASSERT_NE(picture, nullptr);
            if (picture->Balloon && !(s == 0 && t == from))
                balloons << QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString("yyyy-MM-dd hh:mm ") +
                                *picture->Balloon;
            for (int slot = 1; slot <= 5; ++slot) {
                const char* zone = clockZones[slot - 1];
                const QString expected = ClockAt(t, zone) + DayMark(t, zone, "Europe/Kyiv");
                const QString shown = picture->Clocks[size_t(slot - 1)].TimeText();
                check(shown == expected, zone, shown, expected);
            }
            check(picture->ReferenceTime == ClockAt(t, "Europe/Kyiv"), "reference clock",
                  picture->ReferenceTime, ClockAt(t, "Europe/Kyiv"));
            // The hour line: Kyiv's hour, red, under the chart's yellow column of the chart
            // zone's hour (column 0 is 23:00, time runs right to left); the panels stand as
            // many whole hours on as Kyiv is ahead of the chart zone.
            const int chartHour = int(trading.ChartWallTime(t) / kHour % 24);
            const int kyivHour = QDateTime::fromMSecsSinceEpoch(t, Zone("Europe/Kyiv")).time().hour();
            const QString line = QString("%1 %2 %3")
                                     .arg(picture->HourColumn)
                                     .arg(picture->HighlightedHour)
                                     .arg(picture->HourOffset);
            const int kyivAhead = int((WallTime(t, Zone("Europe/Kyiv")) - trading.ChartWallTime(t)) / kHour);
            const QString expectedLine =
                QString("%1 %2 %3").arg(23 - chartHour).arg(kyivHour == 0 ? 24 : kyivHour).arg(kyivAhead);
            check(line == expectedLine, "hour line", line, expectedLine);
            for (int i = 0; i < 13; ++i) {
                const TWorldMapCapital& marker = model->MarkerList()[i];
                const auto city = std::find_if(std::begin(markerZones), std::end(markerZones),
                                               [&](const auto& m) { return marker.Name == m.first; });
                ASSERT_NE(city, std::end(markerZones)) << marker.Name.toStdString();
                const QString expected = marker.Name + " " + ClockAt(t, city->second);
                const QString shown = CapitalHintText(marker, SystemTimeFromUnixMs(now));
                check(shown == expected, "marker", shown, expected);
            }
            // The bars: sessions 0..3 from the spans, exchanges 4..6 from their hours now.
            for (int k = 0; k < 3; ++k) {
                const Exchange& e = exchanges[k];
                TradingModel::Bar& bar = exchangeBars[size_t(k)];
                const int offset = trading.ExchangeOffset(*e.zone, bar.spans, t);
                bar.open = ChartMinutes(e.localOpen, offset);
                bar.close = ChartMinutes(e.localClose, offset);
            }
            ASSERT_EQ(picture->Bars.size(), 7u);
            for (size_t g = 0; g < 7; ++g) {
                const TradingModel::Bar& bar = g < 4 ? sessions[g] : exchangeBars[g - 4];
                const auto [open, until] = TradingModel::State(bar, t);
                const TBarFace& face = picture->Bars[g];
                const QString shown = face.Title + " " + face.Countdown;
                const QString expected =
                    Title(bar) + (open ? " до закрытия " : " до открытия ") + Countdown(until - t);
                check(shown == expected && face.Open == open, "bar", shown, expected);
            }
            ASSERT_EQ(picture->Overlaps.size(), 3u);
            for (size_t g = 0; g < 3; ++g) {
                const auto [open, until] = TradingModel::State(strips[g], t);
                const TOverlapFace& strip = picture->Overlaps[g];
                const QString expected =
                    open ? HourText(int((until - t) / kMinute)) : HourText(strips[g].close - strips[g].open);
                check(strip.Open == open && strip.Value == expected, "strip", strip.Value, expected);
            }
            // The coming events: the week's are the trading model's, in its order, whatever
            // clock changes and holidays come between them.
            QStringList week;
            for (const QString& text : Texts(picture->Events))
                if (!calendarLine.match(text).hasMatch()) week << text;
            QStringList expectedWeek;
            for (const auto& [at, text] : WeekEvents(trading, marketChanges, sessions, strips[2], t))
                expectedWeek << text;
            check(week == expectedWeek, "coming events", week.join(" | "), expectedWeek.join(" | "));
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(balloons.size(), expectedBalloons.size());
    for (qsizetype i = 0; i < std::min(balloons.size(), expectedBalloons.size()); ++i)
        if (balloons[i] != expectedBalloons[i]) {
            ADD_FAILURE() << "balloon " << i << ": " << balloons[i].toStdString() << ", expected "
                          << expectedBalloons[i].toStdString();
            break;
        }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// The chart keeps New York's rule moved to UTC+2 whatever clock 2 shows, at start-up and
// when the catalogue is read anew at New Year: in summer the NYSE's 9:30 - 16:00 in New
// York is 16:30 - 23:00 on the chart. (Tokyo has no summer time: a chart on clock 2's rule
// would put it an hour earlier.)
TEST_F(MainModelTest, TheChartFollowsNewYorkWhateverClock2ShowsAcrossTheYears) {
    GetSettings().WriteCapital(
        1, TMainCapital("Токио", RecordAt("2027-06-01T00:00:00Z", "Tokyo Standard Time"), 0));
    StartUp(Ms("2027-07-12T12:00:00Z"));
    for (const char* monday : {"2027-07-12T12:00:00Z", "2028-07-10T12:00:00Z"}) {
        SCOPED_TRACE(monday);
        const TMinutePicture* picture = model->Tick(Ms(monday));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->Clocks[1].TimeText(), "21:00");
        EXPECT_EQ(picture->Bars.at(5).Title, "NYSE (16:30 - 23:00)");
        EXPECT_EQ(picture->Bars.at(3).Title, "NewYork (15:00 - 0:00)");
    }
    EXPECT_EQ(model->CatalogueReading(), 2);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// The coming events before the clock changes of March 2027: on Thursday and Friday evening,
// on the Saturday, and a week later between the American and the European changes. The
// week's lines come from the trading rules above, the changes from the tz database; every
// line is in the picture in time order (the panel shows what fits, the rest in its tool-tip).
TEST_F(MainModelTest, TheComingEventsTellTheWeekAndTheClockChangesAhead) {
    const auto changeAfter = [](const char* zone, const char* utc) {
        return Zone(zone)
            .nextTransition(QDateTime::fromMSecsSinceEpoch(Ms(utc), Qt::UTC))
            .atUtc.toMSecsSinceEpoch();
    };
    // New York and Chicago (the CME) change on 14 March, the chart zone with New York's rule
    // the evening before; London and Kyiv, the reference zone, on the 28th; Sydney goes
    // back on 4 April; Tokyo and Moscow keep their time. The chart zone moves an hour away
    // from Kyiv until the 28th and from Moscow for the summer, so the "РТС" bar moves.
    const qint64 american = Ms("2027-03-14T07:00:00Z"), european = Ms("2027-03-28T01:00:00Z");
    EXPECT_EQ(changeAfter("America/New_York", "2027-03-01T00:00:00Z"), american);
    EXPECT_EQ(changeAfter("America/Chicago", "2027-03-01T00:00:00Z"), american + kHour);
    EXPECT_EQ(changeAfter("Europe/London", "2027-03-01T00:00:00Z"), european);
    EXPECT_EQ(changeAfter("Europe/Kyiv", "2027-03-01T00:00:00Z"), european);
    EXPECT_EQ(changeAfter("Australia/Sydney", "2027-03-01T00:00:00Z"), Ms("2027-04-03T16:00:00Z"));
    // "~" is the non-breaking space between a number and its unit.
    const auto nb = [](const char* text) { return QString::fromUtf8(text).replace('~', QChar(0xA0)); };
    // The "РТС" bar's move is told until the bar shows its new hours: after Friday's session.
    const QString americanLine =
        nb("14~марта: NewYork и CME переходят на летнее время; до 28~марта разница London – "
           "NewYork 4~ч. вместо 5, сессии и уведомления на 1~ч. раньше по вашему времени");
    const QString rtsMoves = "; РТС на графике 10:00 - 16:45 вместо 9:00 - 15:45";
    const qint64 rtsFridayClose = Ms("2027-03-12T13:45:00Z");
    const std::pair<qint64, QString> changes[] = {
        {european, nb("28~марта: London и ваш пояс переходят на летнее время; "
                      "сессии и уведомления на 1~ч. позже по вашему времени")},
        {Ms("2027-04-03T16:00:00Z"), nb("4~апреля: Sydney переходит на зимнее время")}};
    // Good Friday, a week ahead from New York's midnight; the year's Moscow calendar, not known.
    const std::pair<qint64, QString> goodFriday = {Ms("2027-03-26T04:00:00Z"),
                                                   nb("26~марта: NYSE и CME закрыты (Страстная пятница)")};
    const QString unknownYear =
        nb("РТС: календарь на 2027~год ещё не известен, взяты государственные праздники");

    TradingModel trading;
    std::vector<TradingModel::Bar> sessions = {{"Sydney", 0, 540, {}},
                                               {"Tokyo", 120, 660, {}},
                                               {"London", 600, 1140, {}},
                                               {"NewYork", 900, 1440, {}}};
    TradingModel::Bar overlap = {"", 900, 1140, {}};
    for (TradingModel::Bar* bar : {&sessions[0], &sessions[1], &sessions[2], &sessions[3], &overlap})
        trading.FillSpans(*bar,
                          trading.ChartWallTime(Ms("2027-03-11T00:00:00Z")) / (24 * kHour) * (24 * kHour),
                          trading.ChartWallTime(Ms("2027-03-26T00:00:00Z")),
                          [&](qint64 open) { return trading.MarketOpen(open); });
    const std::vector<qint64> market =
        MarketChanges(trading, Ms("2027-03-11T00:00:00Z"), Ms("2027-03-26T00:00:00Z"));

    StartUp(Ms("2027-03-11T20:59:30Z"));
    // Thursday 16:00 in New York, a day and an hour before the market closes for the
    // weekend, too far ahead to tell; Friday 16:01, when it is told; the Saturday; the
    // Saturday after, with Good Friday in the week ahead.
    for (const char* moment :
         {"2027-03-11T21:00:00Z", "2027-03-12T21:01:00Z", "2027-03-13T12:07:00Z", "2027-03-20T12:13:00Z"}) {
        SCOPED_TRACE(moment);
        const qint64 t = Ms(moment);
        std::vector<std::pair<qint64, QString>> expected = WeekEvents(trading, market, sessions, overlap, t);
        if (t < american)
            expected.emplace_back(american, americanLine + (t < rtsFridayClose ? rtsMoves : QString()));
        for (const auto& change : changes)
            if (change.first > t && change.first <= t + 30 * 24 * kHour) expected.push_back(change);
        if (t >= goodFriday.first - 7 * 24 * kHour) expected.push_back(goodFriday);
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList lines;
        for (const auto& [at, line] : expected) lines << line;
        lines << unknownYear;
        const TMinutePicture* picture = model->Tick(t + 20'000);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(Texts(picture->Events), lines);
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

}  // namespace
