// The coming events at the instants a trader tried them at: lines of one instant told
// once, the user's clock change kept when not all fit, nothing the chart already shows
// announced, one date for one week, the wording, the exchanges' holidays of the coming
// week and the next London-NewYork overlap.
#include "sessions/UpcomingEvents.h"
#include "sessions/UpcomingText.h"

#include "SessionFixtures.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <map>

namespace {

qint64 Ms(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch();
}

// "~" stands for the non-breaking space between a number and its unit.
QString Nb(const char* text) {
    return QString::fromUtf8(text).replace(u'~', kNoBreak);
}

// The tz database's record of a catalogue zone.
TIME_ZONE_INFORMATION Record(const char* key) {
    static TTimeZoneList catalogue;
    if (catalogue.Count() == 0)
        LoadTimeZones(BuildZoneRegistryAt(Ms("2027-06-01T00:00:00Z")).registry, catalogue, {});
    const int index = catalogue.IndexOfStandardName(QString::fromLatin1(key));
    EXPECT_GE(index, 0) << key;
    return catalogue[index].ToTimeZoneInformation();
}

// The coming events as the window works them out: its five clocks under their own names,
// the user's zone, the chart's sessions and the calendar the program carries.
struct Upcoming {
    FakeClock clock;
    TSessionZones zones;
    TSessionTable table;
    TUpcomingSources sources;
    TUpcomingEvents events;

    explicit Upcoming(const char* referenceKey) {
        UseTwentyFourHourClock();
        QStringList errors;
        zones = {MakeChartZone(Record("Eastern Standard Time")), Record("Central Standard Time"),
                 Record("Eastern Standard Time"), Record("Russian Standard Time"),
                 TTradingCalendar::Load(QString(), errors)};
        table = CreateSessionTable({37.5, 37}, clock.UtcMs(), zones);
        sources.Zones = zones;
        sources.Reference = Record(referenceKey);
        const std::pair<const char*, const char*> clocks[] = {{"London", "GMT Standard Time"},
                                                              {"NewYork", "Eastern Standard Time"},
                                                              {"Tokyo", "Tokyo Standard Time"},
                                                              {"Sydney", "AUS Eastern Standard Time"},
                                                              {"Moscow", "Russian Standard Time"}};
        for (const auto& [name, key] : clocks) sources.Clocks.push_back({name, Record(key)});
        for (size_t g = 0; g < 4; ++g) {
            sources.SessionNames.push_back(table.SessionList[g]->Name());
            sources.Sessions.push_back(&table.SessionList[g]->Schedule());
        }
        sources.OverlapName = "London – NewYork";
        sources.Overlap = &table.OverlapList[2]->Schedule();
    }
    std::vector<TUpcomingEvent> At(const char* utc) { return events.At(sources, Ms(utc)); }
    QStringList Lines(const char* utc) {
        QStringList lines;
        for (const TUpcomingEvent& event : At(utc)) lines << event.Text;
        return lines;
    }
};

// What a panel of five rows keeps, a row to a line.
QStringList Kept(const std::vector<TUpcomingEvent>& events, size_t* hidden = nullptr) {
    const TUpcomingFit fit = FitUpcoming(events, 5, [](size_t) { return 1; });
    QStringList kept;
    for (size_t i : fit.Shown) kept << events[i].Text;
    if (hidden) *hidden = fit.Hidden;
    return kept;
}

}  // namespace

// A New York computer on Friday 29 October 2027 at the market's close: the market's and
// Sydney's Sunday opening on one line, the clock changes of London and then of New York
// (whose date the difference lasts until), the Moscow exchange's holiday and a note that
// its 2027 calendar is not known. Five rows keep the user's own clock change.
TEST(UpcomingEvents, AFridayEveningBeforeTheAutumnClockChanges) {
    Upcoming upcoming("Eastern Standard Time");
    const std::vector<TUpcomingEvent> events = upcoming.At("2027-10-29T21:00:00Z");
    QStringList lines;
    for (const TUpcomingEvent& event : events) lines << event.Text;
    const QStringList expected = {
        Nb("31~октября: London переходит на зимнее время; до 7~ноября разница London – NewYork 4~ч. вместо "
           "5"),
        Nb("Открытие рынка и Sydney через 2~д. (воскресенье 17:00 NewYork)"),
        Nb("Открытие Tokyo через 2~д. 2~ч."),
        Nb("Пересечение London – NewYork через 2~д. 15~ч."),
        Nb("4~ноября: РТС закрыта (День народного единства)"),
        Nb("7~ноября: NewYork и CME переходят на зимнее время; по вашему времени сессии и уведомления "
           "прежние, "
           "РТС на графике 9:00 - 15:45 вместо 10:00 - 16:45"),
        Nb("РТС: календарь на 2027~год ещё не известен, взяты государственные праздники")};
    EXPECT_EQ(lines.join('\n').toStdString(), expected.join('\n').toStdString());

    size_t hidden = 0;
    const QStringList kept = Kept(events, &hidden);
    EXPECT_EQ(kept, (QStringList{expected[0], expected[1], expected[4], expected[5]}));
    EXPECT_EQ(hidden, 3u);
    // Were the last line two rows long, the clock change would still stay.
    const TUpcomingFit fit = FitUpcoming(events, 5, [&](size_t i) { return i == 5 ? 2 : 1; });
    EXPECT_EQ(fit.Shown, (std::vector<size_t>{0, 1, 5}));
    EXPECT_EQ(fit.Hidden, 4u);
}

// The same Friday on a London computer: the sessions move an hour earlier on the user's
// clock until New York too changes, on 7 November, the date the panel's next line tells
// (not 6 November, when the chart zone's clock changes in the night to Sunday).
TEST(UpcomingEvents, OneWeekOutOfStepIsToldWithOneDate) {
    Upcoming upcoming("GMT Standard Time");
    const QStringList lines = upcoming.Lines("2027-10-29T12:00:00Z");
    ASSERT_GE(lines.size(), 1);
    EXPECT_EQ(lines.filter(Nb("31~октября")).join('\n').toStdString(),
              Nb("31~октября: London переходит на зимнее время; до 7~ноября разница London – NewYork 4~ч. "
                 "вместо 5, сессии и уведомления на 1~ч. раньше по вашему времени")
                  .toStdString());
    EXPECT_TRUE(lines.filter(Nb("6~ноября")).isEmpty());
    EXPECT_EQ(lines.filter(Nb("7~ноября: ")).size(), 1);
}

// Before the American change of 14 March 2027 the "РТС" bar moves an hour on the chart.
// On Friday while it trades the panel says so; once it has closed, the bar shows Monday's
// hours, after the change, and the panel says no more about them.
TEST(UpcomingEvents, WhatTheChartShowsAlreadyIsNotAnnounced) {
    Upcoming upcoming("FLE Standard Time");
    const QString moves = "РТС на графике 10:00 - 16:45 вместо 9:00 - 15:45";
    EXPECT_EQ(upcoming.Lines("2027-03-12T10:00:00Z").filter(moves).size(), 1);
    upcoming.clock.SetUtc("2027-03-13T12:07:00Z");
    FollowExchangeOffsets(upcoming.table, {37.5, 37}, upcoming.clock.UtcMs(), upcoming.zones);
    EXPECT_EQ(upcoming.table.SessionList[6]->TitleText(), "РТС (10:00 - 16:45)");
    const QStringList saturday = upcoming.Lines("2027-03-13T12:07:00Z");
    EXPECT_TRUE(saturday.filter("РТС на графике").isEmpty()) << saturday.join('\n').toStdString();
    EXPECT_EQ(saturday.filter(Nb("14~марта: NewYork и CME переходят на летнее время")).size(), 1);
}

// Lines of one instant are one line: the market closes with NewYork on Friday and opens
// with Sydney on Sunday; midweek NewYork closes as Sydney opens, and NewYork opens as its
// overlap with London begins. A countdown has no leading zero.
TEST(UpcomingEvents, EventsOfOneInstantAreToldOnOneLine) {
    Upcoming upcoming("FLE Standard Time");
    EXPECT_EQ(upcoming.Lines("2026-01-16T21:59:00Z").mid(0, 1),
              QStringList{Nb("Закрытие рынка и NewYork через 1~мин (пятница 17:00 NewYork)")});
    EXPECT_EQ(upcoming.Lines("2026-01-18T20:30:00Z").mid(0, 2),
              (QStringList{Nb("Открытие рынка и Sydney через 1~ч. 30~мин (воскресенье 17:00 NewYork)"),
                           Nb("Открытие Tokyo через 3~ч. 30~мин")}));
    EXPECT_EQ(upcoming.Lines("2026-01-20T21:00:00Z").mid(0, 1),
              QStringList{Nb("Закрытие NewYork, открытие Sydney через 1~ч.")});
    // 11:30 in the chart zone on a Wednesday: NewYork opens as its overlap with London begins.
    EXPECT_EQ(upcoming.Lines("2026-01-21T09:30:00Z").mid(0, 2),
              (QStringList{Nb("Открытие NewYork, пересечение London – NewYork через 3~ч. 30~мин"),
                           Nb("Закрытие London через 7~ч. 30~мин")}));
}

// The exchanges' holidays and early closes of the coming week, a line to a date, from a
// week ahead until the day is over; and the currency market's Christmas, which joins the
// weekend in 2026: it closes on Thursday evening.
TEST(UpcomingEvents, HolidaysAndEarlyClosesOfTheComingWeek) {
    Upcoming upcoming("Eastern Standard Time");
    const auto holidays = [&](const char* utc) {
        QStringList lines;
        for (const TUpcomingEvent& event : upcoming.At(utc))
            if (event.Rank == kRankHoliday || event.Rank == kRankNote) lines << event.Text;
        return lines;
    };
    EXPECT_TRUE(holidays("2026-11-19T04:59:00Z").isEmpty());  // 26 November is more than a week off
    // In New York it comes within the week an hour before it does in Chicago.
    EXPECT_EQ(holidays("2026-11-19T05:00:00Z"),
              QStringList{Nb("26~ноября: NYSE закрыта (День благодарения)")});
    const QStringList thanksgiving = {Nb("26~ноября: NYSE закрыта (День благодарения); CME до 12:00 Chicago"),
                                      Nb("27~ноября: NYSE до 13:00 NewYork; CME до 12:15 Chicago")};
    EXPECT_EQ(holidays("2026-11-19T06:00:00Z"), thanksgiving.mid(0, 1));
    EXPECT_EQ(holidays("2026-11-26T15:00:00Z"), thanksgiving);  // on the day itself
    EXPECT_EQ(holidays("2026-11-27T05:00:00Z"), (QStringList{Nb("26~ноября: CME до 12:00 Chicago"),
                                                             thanksgiving[1]}));  // Chicago's day is not over
    EXPECT_EQ(holidays("2026-11-27T06:00:00Z"), thanksgiving.mid(1));

    EXPECT_EQ(holidays("2026-12-24T12:00:00Z").join('\n').toStdString(),
              Nb("24~декабря: NYSE до 13:00 NewYork; CME до 12:15 Chicago\n"
                 "25~декабря: рынок FX закрыт; NYSE и CME закрыты (Рождество)\n"
                 "31~декабря: РТС закрыта (Новогодний выходной)")
                  .toStdString());
    const QStringList christmasEve = upcoming.Lines("2026-12-24T12:00:00Z");
    EXPECT_EQ(christmasEve.filter("рынка").join('\n').toStdString(),
              Nb("Закрытие рынка через 10~ч. (четверг 17:00 NewYork)").toStdString());
    // In 2027 Christmas and New Year's Day fall on Saturdays: the market is closed anyway,
    // and the NYSE and the CME keep Christmas on Friday.
    EXPECT_EQ(holidays("2027-12-21T12:00:00Z").join('\n').toStdString(),
              Nb("24~декабря: NYSE и CME закрыты (Рождество)\n"
                 "РТС: календарь на 2027~год ещё не известен, взяты государственные праздники")
                  .toStdString());
    // From 25 December the week reaches into 2027, whose Moscow calendar is not known.
    EXPECT_EQ(
        holidays("2026-12-28T00:00:00Z").join('\n').toStdString(),
        Nb("31~декабря: РТС закрыта (Новогодний выходной)\n"
           "1~января: рынок FX закрыт; NYSE и CME закрыты (Новый год); РТС закрыта (Новогодние каникулы)\n"
           "4~января: РТС закрыта (Новогодние каникулы)\n"
           "РТС: календарь на 2027~год ещё не известен, взяты государственные праздники")
            .toStdString());
}

// When not all lines fit, the most important stay, in time order, and the last row
// counts the rest; a line of two rows takes two.
TEST(UpcomingEvents, APanelKeepsTheMostImportantLines) {
    const std::vector<TUpcomingEvent> events = {{1, "second session", kRankSecondSession},
                                                {2, "market", kRankMarket},
                                                {3, "overlap", kRankOverlap},
                                                {4, "holiday", kRankHoliday},
                                                {5, "change", kRankClockChange},
                                                {6, "note", kRankNote}};
    const auto kept = [&](int rows, std::map<size_t, int> tall = {}) {
        const TUpcomingFit fit =
            FitUpcoming(events, rows, [&](size_t i) { return tall.count(i) ? tall[i] : 1; });
        QStringList lines;
        for (size_t i : fit.Shown) lines << events[i].Text;
        return lines.join(", ") + " +" + QString::number(fit.Hidden);
    };
    EXPECT_EQ(kept(6), "second session, market, overlap, holiday, change, note +0");
    EXPECT_EQ(kept(5), "market, overlap, holiday, change +2");
    EXPECT_EQ(kept(5, {{4, 2}}), "market, holiday, change +3");
    EXPECT_EQ(kept(5, {{3, 3}}),
              "second session, market, overlap, change +2");  // what fits after a long line
    EXPECT_EQ(kept(1), " +6");
    EXPECT_EQ(MoreEventsText(1), Nb("ещё 1~событие…"));
    EXPECT_EQ(MoreEventsText(3), Nb("ещё 3~события…"));
    EXPECT_EQ(MoreEventsText(12), Nb("ещё 12~событий…"));
    EXPECT_EQ(MoreEventsText(22), Nb("ещё 22~события…"));
}

TEST(UpcomingEvents, CountdownsAndDifferencesKeepNumberAndUnitTogether) {
    EXPECT_EQ(UpcomingCountdown(60'000), Nb("1~мин"));
    EXPECT_EQ(UpcomingCountdown(119'999), Nb("1~мин"));
    EXPECT_EQ(UpcomingCountdown(90 * 60'000), Nb("1~ч. 30~мин"));
    EXPECT_EQ(UpcomingCountdown(2 * 3'600'000), Nb("2~ч."));
    EXPECT_EQ(UpcomingCountdown((26 * 60 + 5) * 60'000LL), Nb("1~д. 2~ч. 5~мин"));
    EXPECT_EQ(UpcomingCountdown(3 * 86'400'000LL), Nb("3~д."));
    EXPECT_EQ(HoursText(-90), Nb("1~ч. 30~мин"));
    EXPECT_EQ(InsteadOf(240, 300), Nb("4~ч. вместо 5"));
    EXPECT_EQ(DateText(QDate(2027, 11, 7)), Nb("7~ноября"));
}
