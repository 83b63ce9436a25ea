#include "sessions/SessionTable.h"

#include "SessionFixtures.h"

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
    const TSessionTable table = CreateSessionTable({37.5, 37}, clock, {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
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
    const TSessionTable table = CreateSessionTable({37.5, 37}, clock, {TestChartZone(), TIME_ZONE_INFORMATION{}, EasternZone(), TIME_ZONE_INFORMATION{}});
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
