// The session table, and the trading week its bars follow.
#include "sessions/SessionTable.h"

#include "SessionFixtures.h"
#include "sessions/SessionChart.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QString Hours(const TBaseElement& element) {
    return FormatDateTime(QStringLiteral("hh:nn"), element.OpenTime()) + "-" +
           (element.CloseTime() >= 1.0 ? QStringLiteral("24:00")
                                       : FormatDateTime(QStringLiteral("hh:nn"), element.CloseTime()));
}

QStringList TableHours(const char* utc) {
    FakeClock clock;
    clock.SetUtc(utc);
    const TSessionTable table = CreateSessionTable(
        {37.5, 37}, clock.UtcMs(), {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
    QStringList rows;
    for (const auto& element : table.SessionList) rows << element->Name() + " " + Hours(*element);
    return rows;
}

}  // namespace

TEST(SessionTable, ExchangeHoursFollowTheSeasonOfTheChartZone) {
    UseTwentyFourHourClock();
    const QStringList january = TableHours("2026-01-15T10:00:00");
    EXPECT_EQ(january,
              QStringList({"Sydney 00:00-09:00", "Tokyo 02:00-11:00", "London 10:00-19:00",
                           "NewYork 15:00-24:00", "CME 17:30-24:00", "NYSE 16:30-23:00", "РТС 09:00-15:45"}));
    const QStringList july = TableHours("2026-07-15T10:00:00");
    EXPECT_EQ(july.mid(4), QStringList({"CME 17:30-24:00", "NYSE 16:30-23:00", "РТС 10:00-16:45"}));
}

TEST(SessionTable, AMissingZoneCountsAsUtc) {
    UseTwentyFourHourClock();
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:00:00");
    const TSessionTable table = CreateSessionTable(
        {37.5, 37}, clock.UtcMs(),
        {TestChartZone(), TIME_ZONE_INFORMATION{}, EasternZone(), TIME_ZONE_INFORMATION{}});
    EXPECT_EQ(Hours(*table.SessionList[4]), "11:30-19:00");  // CME, two hours behind
    EXPECT_EQ(Hours(*table.SessionList[6]), "12:00-18:45");  // РТС
}

TEST(SessionTable, HoursPushedOffTheClockFaceAreHeldAtMidnight) {
    // Chicago 16 hours behind: CME would trade 25:30-33:00, so it shrinks to nothing at 24:00.
    std::vector<TExchangeParams> params = SessionParams({37.5, 37}, {-16, -7, 1});
    EXPECT_DOUBLE_EQ(params[4].OpenTime, 1.0);
    EXPECT_DOUBLE_EQ(params[4].CloseTime, 1.0);
    // Moscow 11 hours ahead: "РТС" would open at -1:00 and keeps 0:00-5:45.
    params = SessionParams({37.5, 37}, {-8, -7, 11});
    EXPECT_DOUBLE_EQ(params[6].OpenTime, 0.0);
    EXPECT_DOUBLE_EQ(params[6].CloseTime, (5 * 60 + 45) / 1440.0);

    FakeClock clock;
    const TExchange empty(SessionParams({37.5, 37}, {-16, -7, 1})[4], TestChartZone());
    EXPECT_TRUE(empty.Bitmap().isNull());
    EXPECT_FALSE(empty.IsActiveAt(clock.UtcMs()));
}

// On the day after Thanksgiving 2026 the NYSE closes at 13:00 New York time and the CME at
// 12:15 Chicago time: from the end of the session before, their bars' titles, widths
// and places on the chart are the day's (three and two whole hours, ending at 20:00 in
// the chart zone), and after the early close the next ordinary session's again.
TEST(SessionTable, AnEarlyCloseShowsTheDaysHoursOnTheChart) {
    UseTwentyFourHourClock();
    FakeClock clock;
    clock.SetUtc("2026-11-25T20:00:00Z");  // Wednesday 15:00 in New York
    const TSessionZones zones{TestChartZone(), CentralZone(), EasternZone(), MoscowZone(),
                              TTradingCalendar::Rules()};
    TSessionTable table = CreateSessionTable({37.5, 37}, clock.UtcMs(), zones);
    const auto bar = [&](size_t g) {
        const TExchange& e = *table.SessionList[g];
        return e.TitleText() + QString(" %1 px at %2").arg(e.Width()).arg(ElementLeft(e, 37.5));
    };
    EXPECT_EQ(bar(5), "NYSE (16:30 - 23:00) 225 px at 38");
    clock.SetUtc("2026-11-25T21:00:00Z");  // the NYSE has closed; Thursday is Thanksgiving
    EXPECT_TRUE(FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones));
    EXPECT_EQ(bar(5), "NYSE (16:30 - 20:00) 112 px at 150");
    EXPECT_EQ(table.SessionList[5]->CountdownText(clock.UtcMs()), "до открытия 1 д. 17 ч. 30 мин");
    clock.SetUtc("2026-11-26T18:00:00Z");  // the CME closed at 12:00 on Thanksgiving
    FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones);
    EXPECT_EQ(bar(4), "CME (17:30 - 20:15) 75 px at 150");
    clock.SetUtc("2026-11-27T17:59:00Z");
    EXPECT_EQ(table.SessionList[5]->CountdownText(clock.UtcMs()), "до закрытия 01 мин");
    clock.SetUtc("2026-11-27T18:00:00Z");
    FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones);
    EXPECT_FALSE(table.SessionList[5]->IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(bar(5), "NYSE (16:30 - 23:00) 225 px at 38");
}

// --- the trading week the table's bars follow ---

namespace {

qint64 At(const char* isoUtc) {
    return QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toMSecsSinceEpoch();
}

// New York's clock reading on a date, as an instant (the tz database's rule).
qint64 NewYorkTime(QDate date, int hour) {
    return QDateTime(date, QTime(hour, 0), QTimeZone("America/New_York")).toMSecsSinceEpoch();
}

TSessionSchedule Session(int openHour, int closeHour) {
    return TSessionSchedule(openHour / 24.0, closeHour / 24.0, TestChartZone(),
                            TTradingDays::CurrencyMarket(TTradingWeek(EasternZone())));
}

}  // namespace

// Every day from 2026 to 2037 the market trades from 17:00 New York time the evening
// before to 17:00, Monday to Friday but on 25 December and 1 January: it opens on Sunday
// and closes on Friday, across both clock changes, and a holiday next to a weekend makes
// the weekend longer. The alert list reads the same days as 00:00 to 24:00 on the chart
// zone's clock, and must agree to the millisecond, also in the hours of the change
// weekends in which the chart zone's clock has changed and New York's not yet.
TEST(TradingWeek, TradesFromFivePmToFivePmNewYorkTimeOnWeekdaysButTwoHolidaysFor12Years) {
    const TTradingWeek week(EasternZone());
    const TTradingWeek chartWeek = TTradingWeek::InChartZone(TestChartZone());
    const auto trades = [](QDate day) {
        return day.dayOfWeek() <= 5 && !(day.month() == 12 && day.day() == 25) &&
               !(day.month() == 1 && day.day() == 1);
    };
    // Each change of the market: the instant, and whether it opens then.
    std::vector<std::pair<qint64, bool>> changes;
    for (QDate day(2026, 1, 1); day.year() < 2038; day = day.addDays(1))
        if (trades(day) != trades(day.addDays(-1)))
            changes.emplace_back(NewYorkTime(day.addDays(-1), 17), trades(day));
    int midweekOpenings = 0, longWeekends = 0;
    for (size_t i = 0; i + 1 < changes.size(); ++i) {
        const auto [at, opening] = changes[i];
        const qint64 next = changes[i + 1].first;
        SCOPED_TRACE(QDateTime::fromMSecsSinceEpoch(at, Qt::UTC).toString(Qt::ISODate).toStdString());
        for (const TTradingWeek* w : {&week, &chartWeek}) {
            ASSERT_EQ(w->IsOpen(at - 1), !opening);
            ASSERT_EQ(w->IsOpen(at), opening);
            ASSERT_EQ(w->IsOpen(next - 1), opening);
            ASSERT_EQ(w->IsOpen((at + next) / 2), opening);
            ASSERT_EQ(opening ? w->NextOpening(at - 1) : w->NextClosing(at - 1), at);
            ASSERT_EQ(opening ? w->NextClosing(at) : w->NextOpening(at), next);
        }
        const int weekday =
            QDateTime::fromMSecsSinceEpoch(at, QTimeZone("America/New_York")).date().dayOfWeek();
        midweekOpenings += opening && weekday >= 2 && weekday <= 4;
        longWeekends += !opening && next - at > 49 * 3'600'000;
    }
    EXPECT_EQ(midweekOpenings, 11);  // after a holiday from Tuesday to Thursday
    EXPECT_EQ(longWeekends, 7);  // a holiday on a Friday or a Monday
    EXPECT_EQ(week.DayAt(NewYorkTime(QDate(2026, 12, 24), 17)), QDate(2026, 12, 25));
    EXPECT_EQ(week.DayStart(QDate(2026, 12, 25)), NewYorkTime(QDate(2026, 12, 24), 17));
}

// An exchange trades on the working days of its own zone: Moscow's Saturday begins at
// 21:00 UTC on Friday. A holiday of its calendar closes that day for its bar too, and an
// early close ends the day's session early.
TEST(TradingWeek, AnExchangeTradesOnItsOwnWorkingDaysButItsHolidays) {
    UseTwentyFourHourClock();
    const TExchangeCalendar moscow(MoscowZone());
    EXPECT_EQ(moscow.LocalDate(At("2026-01-16T20:59:59Z")), QDate(2026, 1, 16));
    EXPECT_EQ(moscow.LocalDate(At("2026-01-16T21:00:00Z")), QDate(2026, 1, 17));
    EXPECT_TRUE(moscow.IsClosedDay(QDate(2026, 1, 17)));
    EXPECT_TRUE(moscow.IsClosedDay(QDate(2026, 1, 18)));
    EXPECT_FALSE(moscow.IsClosedDay(QDate(2026, 1, 19)));

    FakeClock clock;
    clock.SetUtc("2026-01-16T14:00:00Z");  // Friday 17:00 in Moscow, after the close
    const auto rts = [&](const TExchangeCalendar& calendar) {
        return TExchange(
            {"РТС", 9 / 24.0, (15 * 60 + 45) / 1440.0, 37.5, 37, TTradingDays::Exchange(calendar)},
            TestChartZone());
    };
    EXPECT_EQ(rts(moscow).CountdownText(clock.UtcMs()), "до открытия 2 д. 17 ч. 00 мин");
    THolidayTable table;
    table.Market = TMarket::Rts;
    table.Year = 2026;
    table.Days[QDate(2026, 1, 19).toJulianDay()] = {TExchangeDay::Closed, 0, "a holiday"};
    table.Days[QDate(2026, 1, 20).toJulianDay()] = {TExchangeDay::EarlyClose, 12 * 60, "a short day"};
    const TTradingCalendar calendar = TTradingCalendar::WithTables({table});
    const TExchangeCalendar withHoliday(MoscowZone(), calendar.Days(TMarket::Rts));
    EXPECT_TRUE(withHoliday.IsClosedDay(QDate(2026, 1, 19)));
    EXPECT_EQ(rts(withHoliday).CountdownText(clock.UtcMs()), "до открытия 3 д. 17 ч. 00 мин");
    // Tuesday's session runs 9:00 to 12:00 Moscow time (the bar's hours are a chart
    // zone's, moved by an hour).
    clock.SetUtc("2026-01-20T08:30:00Z");
    EXPECT_EQ(rts(withHoliday).CountdownText(clock.UtcMs()), "до закрытия 30 мин");
    clock.SetUtc("2026-01-20T09:00:00Z");
    EXPECT_FALSE(rts(withHoliday).IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(rts(withHoliday).CountdownText(clock.UtcMs()), "до открытия 22 ч. 00 мин");
}

// What a panel of coming events asks: each session's first opening after the weekend,
// and the next openings and closings of all four in order.
TEST(TradingWeek, FirstOpeningsAfterTheWeekendAndTheNextEvents) {
    const TTradingWeek week(EasternZone());
    const TSessionSchedule sydney = Session(0, 9), tokyo = Session(2, 11), london = Session(10, 19),
                           newYork = Session(15, 24);
    const QDate sunday(2026, 1, 18);
    for (const char* when :
         {"2026-01-17T12:00:00Z", "2026-01-14T12:00:00Z"}) {  // Saturday; the Wednesday before
        SCOPED_TRACE(when);
        EXPECT_EQ(FirstOpeningAfterWeekend(sydney, week, At(when)), NewYorkTime(sunday, 17));
        EXPECT_EQ(FirstOpeningAfterWeekend(tokyo, week, At(when)), NewYorkTime(sunday, 19));
        EXPECT_EQ(FirstOpeningAfterWeekend(london, week, At(when)), NewYorkTime(sunday.addDays(1), 3));
        EXPECT_EQ(FirstOpeningAfterWeekend(newYork, week, At(when)), NewYorkTime(sunday.addDays(1), 8));
    }

    const TSessionSchedule* all[] = {&sydney, &tokyo, &london, &newYork};
    // Friday 16:00 in New York: NewYork closes with the market, then nothing until Sunday.
    const std::vector<TSessionEvent> weekend = NextSessionEvents(all, NewYorkTime(QDate(2026, 1, 16), 16), 4);
    ASSERT_EQ(weekend.size(), 4u);
    const TSessionEvent expected[] = {{NewYorkTime(QDate(2026, 1, 16), 17), 3, false},
                                      {NewYorkTime(sunday, 17), 0, true},
                                      {NewYorkTime(sunday, 19), 1, true},
                                      {NewYorkTime(sunday.addDays(1), 2), 0, false}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(weekend[i].AtMs, expected[i].AtMs) << i;
        EXPECT_EQ(weekend[i].Index, expected[i].Index) << i;
        EXPECT_EQ(weekend[i].Opens, expected[i].Opens) << i;
    }
    // On a Tuesday NewYork's close and Sydney's opening fall together: the close first.
    const std::vector<TSessionEvent> midweek = NextSessionEvents(all, NewYorkTime(QDate(2026, 1, 20), 16), 2);
    ASSERT_EQ(midweek.size(), 2u);
    EXPECT_EQ(midweek[0].AtMs, midweek[1].AtMs);
    EXPECT_FALSE(midweek[0].Opens);
    EXPECT_EQ(midweek[1].Index, 0);
}

// The exchange hours are rebuilt when the offsets change, and they are always those of
// the session running or coming next: on the Sunday morning of the March change the
// chart zone's clock has moved and New York's not yet, but Monday's session is after both.
TEST(SessionTable, ExchangeHoursFollowClockChangesAndShowTheComingSession) {
    UseTwentyFourHourClock();
    FakeClock clock;
    clock.SetUtc("2027-03-12T12:00:00Z");  // Friday, all in winter time
    const TSessionZones zones{TestChartZone(), CentralZone(), EasternZone(), MoscowZone()};
    TSessionTable table = CreateSessionTable({37.5, 37}, clock.UtcMs(), zones);
    const auto hours = [&](size_t g) { return Hours(*table.SessionList[g]); };
    EXPECT_EQ(hours(6), "09:00-15:45");
    const TExchange* nyse = table.SessionList[5].get();
    EXPECT_FALSE(FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones));

    clock.SetUtc("2027-03-12T14:00:00Z");  // the РТС has closed; its next session is in summer time
    EXPECT_TRUE(FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones));
    EXPECT_EQ(hours(6), "10:00-16:45");
    EXPECT_EQ(table.SessionList[5].get(), nyse);  // the others stay as they were
    // Friday 16:00 in the chart zone lies inside Monday's hours, but the РТС closed at
    // 16:45 Moscow time and opens on Monday at 10:00 (7:00 UTC).
    EXPECT_FALSE(table.SessionList[6]->IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(table.SessionList[6]->TimeUntilChangeAt(clock.UtcMs()),
              At("2027-03-15T07:00:00Z") - At("2027-03-12T14:00:00Z"));
    // The CME's bar ends at 24:00 in the chart zone, 16:00 in Chicago, and so does its session.
    clock.SetUtc("2027-03-11T21:30:00Z");
    EXPECT_EQ(table.SessionList[4]->CountdownText(clock.UtcMs()), "до закрытия 30 мин");
    clock.SetUtc("2027-03-11T22:00:00Z");
    EXPECT_FALSE(table.SessionList[4]->IsActiveAt(clock.UtcMs()));

    clock.SetUtc("2027-03-14T03:00:00Z");  // Sunday: the chart zone is at UTC+3, New York at -5
    FollowExchangeOffsets(table, {37.5, 37}, clock.UtcMs(), zones);
    EXPECT_EQ(hours(4), "17:30-24:00");
    EXPECT_EQ(hours(5), "16:30-23:00");
    // Monday 9:30 in New York is 13:30 UTC.
    EXPECT_EQ(table.SessionList[5]->TimeUntilChangeAt(clock.UtcMs()),
              At("2027-03-15T13:30:00Z") - At("2027-03-14T03:00:00Z"));
}
