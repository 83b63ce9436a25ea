// The session table, and the trading week its bars follow.
#include "sessions/SessionTable.h"

#include "SessionFixtures.h"

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
        {37.5, 37}, clock, {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
    QStringList rows;
    for (const auto& element : table.SessionList) rows << element->Name() + " " + Hours(*element);
    return rows;
}

}  // namespace

TEST(SessionTable, ExchangeHoursFollowTheSeasonOfTheChartZone) {
    UseTwentyFourHourClock();
    const QStringList january = TableHours("2026-01-15T10:00:00");
    EXPECT_EQ(january, QStringList({"Sydney 00:00-09:00", "Tokyo 02:00-11:00",
                                    "London 10:00-19:00", "NewYork 15:00-24:00",
                                    "CME 17:30-24:00", "NYSE 16:30-23:00", "РТС 09:00-15:45"}));
    const QStringList july = TableHours("2026-07-15T10:00:00");
    EXPECT_EQ(july.mid(4), QStringList({"CME 17:30-24:00", "NYSE 16:30-23:00", "РТС 10:00-16:45"}));
}

TEST(SessionTable, AMissingZoneCountsAsUtc) {
    UseTwentyFourHourClock();
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:00:00");
    const TSessionTable table = CreateSessionTable(
        {37.5, 37}, clock,
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
    const TExchange empty(SessionParams({37.5, 37}, {-16, -7, 1})[4], clock, TestChartZone());
    EXPECT_TRUE(empty.Bitmap().isNull());
    EXPECT_FALSE(empty.IsActive());
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

// Every week from 2026 to 2037 the market opens on Sunday and closes on Friday at 17:00
// New York time, across both clock changes; the alert list reads the same week as
// Monday to Saturday 00:00 on the chart zone's clock, and must agree to the millisecond,
// also in the hours of the change weekends in which the chart zone's clock has changed
// and New York's not yet.
TEST(TradingWeek, OpensSundayAndClosesFridayAtFivePmNewYorkTimeFor12Years) {
    const TTradingWeek week(EasternZone());
    const TTradingWeek chartWeek = TTradingWeek::InChartZone(TestChartZone());
    int weeks = 0;
    for (QDate sunday(2026, 1, 4); sunday.year() < 2038; sunday = sunday.addDays(7), ++weeks) {
        const qint64 opens = NewYorkTime(sunday, 17), closes = NewYorkTime(sunday.addDays(5), 17);
        for (const TTradingWeek* w : {&week, &chartWeek}) {
            ASSERT_EQ(w->NextOpening(opens - 1), opens) << sunday.toString(Qt::ISODate).toStdString();
            ASSERT_EQ(w->NextClosing(opens), closes);
            ASSERT_EQ(w->NextOpening(closes - 1), NewYorkTime(sunday.addDays(7), 17));
            ASSERT_FALSE(w->IsOpen(opens - 1));
            ASSERT_TRUE(w->IsOpen(opens));
            ASSERT_TRUE(w->IsOpen(closes - 1));
            ASSERT_FALSE(w->IsOpen(closes));
            for (qint64 t = closes; t < NewYorkTime(sunday.addDays(7), 17);
                 t += 1'800'000)  // the weekend, half-hourly
                ASSERT_FALSE(w->IsOpen(t));
        }
    }
    EXPECT_EQ(weeks, 626);
}

// An exchange trades on the working days of its own zone: Moscow's Saturday begins at
// 21:00 UTC on Friday. A holiday added to its calendar closes that day for its bar too.
TEST(TradingWeek, AnExchangeTradesOnItsOwnWorkingDaysButItsHolidays) {
    UseTwentyFourHourClock();
    TExchangeCalendar moscow(MoscowZone());
    EXPECT_EQ(moscow.LocalDate(At("2026-01-16T20:59:59Z")), QDate(2026, 1, 16));
    EXPECT_EQ(moscow.LocalDate(At("2026-01-16T21:00:00Z")), QDate(2026, 1, 17));
    EXPECT_TRUE(moscow.IsClosedDay(QDate(2026, 1, 17)));
    EXPECT_TRUE(moscow.IsClosedDay(QDate(2026, 1, 18)));
    EXPECT_FALSE(moscow.IsClosedDay(QDate(2026, 1, 19)));

    FakeClock clock;
    clock.SetUtc("2026-01-16T14:00:00Z");  // Friday 17:00 in Moscow, after the close
    const auto rts = [&](const TExchangeCalendar& calendar) {
        return TExchange({"РТС", 9 / 24.0, (15 * 60 + 45) / 1440.0, 37.5, 37,
                          TTradingDays::Exchange(calendar)}, clock, TestChartZone());
    };
    EXPECT_EQ(rts(moscow).CountdownText(), "до открытия 2 д. 17 ч. 00 мин");
    moscow.AddHoliday(QDate(2026, 1, 19));
    EXPECT_TRUE(moscow.IsClosedDay(QDate(2026, 1, 19)));
    EXPECT_EQ(rts(moscow).CountdownText(), "до открытия 3 д. 17 ч. 00 мин");
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
    TSessionTable table = CreateSessionTable({37.5, 37}, clock, zones);
    const auto hours = [&](size_t g) { return Hours(*table.SessionList[g]); };
    EXPECT_EQ(hours(6), "09:00-15:45");
    const TExchange* nyse = table.SessionList[5].get();
    EXPECT_FALSE(FollowExchangeOffsets(table, {37.5, 37}, clock, zones));

    clock.SetUtc("2027-03-12T14:00:00Z");  // the РТС has closed; its next session is in summer time
    EXPECT_TRUE(FollowExchangeOffsets(table, {37.5, 37}, clock, zones));
    EXPECT_EQ(hours(6), "10:00-16:45");
    EXPECT_EQ(table.SessionList[5].get(), nyse);  // the others stay as they were
    // Friday 16:00 in the chart zone lies inside Monday's hours, but the РТС closed at
    // 16:45 Moscow time and opens on Monday at 10:00 (7:00 UTC).
    EXPECT_FALSE(table.SessionList[6]->IsActive());
    EXPECT_EQ(table.SessionList[6]->TimeUntilChange(),
              At("2027-03-15T07:00:00Z") - At("2027-03-12T14:00:00Z"));
    // The CME's bar ends at 24:00 in the chart zone, 16:00 in Chicago, and so does its session.
    clock.SetUtc("2027-03-11T21:30:00Z");
    EXPECT_EQ(table.SessionList[4]->CountdownText(), "до закрытия 30 мин");
    clock.SetUtc("2027-03-11T22:00:00Z");
    EXPECT_FALSE(table.SessionList[4]->IsActive());

    clock.SetUtc("2027-03-14T03:00:00Z");  // Sunday: the chart zone is at UTC+3, New York at -5
    FollowExchangeOffsets(table, {37.5, 37}, clock, zones);
    EXPECT_EQ(hours(4), "17:30-24:00");
    EXPECT_EQ(hours(5), "16:30-23:00");
    // Monday 9:30 in New York is 13:30 UTC.
    EXPECT_EQ(table.SessionList[5]->TimeUntilChange(),
              At("2027-03-15T13:30:00Z") - At("2027-03-14T03:00:00Z"));
}
