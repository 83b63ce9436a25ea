#include "worldmap/BalloonHint.h"

#include "support/FakeClock.h"
#include "timezones/ZoneClock.h"

#include <QDateTime>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// New York's rule moved to UTC+2: the zone all session hours are fixed in.
TIME_ZONE_INFORMATION ChartZoneRule() {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = -120;
    zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
    zone.DaylightBias = -60;
    return zone;
}

qint64 UtcMs(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toMSecsSinceEpoch();
}

// Polls the list once a minute, offset seconds into each minute, for a whole UTC day
// and returns (UTC "hh:mm", text) for every alert that came back.
std::vector<std::pair<QString, QString>> AlertsOfDay(const char* dayStartIso, int offsetSeconds = 0) {
    FakeClock clock(UtcMs(dayStartIso) + offsetSeconds * 1000);
    TBalloonHintList list(ChartZoneRule());
    AddSessionAlerts(list);
    std::vector<std::pair<QString, QString>> seen;
    for (int minute = 0; minute < 24 * 60; ++minute, clock.Advance(60'000)) {
        if (const TBalloonHint* hint = list.CurrentHint(clock.UtcMs())) {
            const SYSTEMTIME utc = clock.UtcNow();
            seen.emplace_back(QStringLiteral("%1:%2")
                                  .arg(utc.wHour, 2, 10, QLatin1Char('0'))
                                  .arg(utc.wMinute, 2, 10, QLatin1Char('0')),
                              hint->Text);
        }
    }
    return seen;
}

using Alerts = std::vector<std::pair<QString, QString>>;

TEST(BalloonHintList, HoldsTheSevenSessionAlertsInOrder) {
    FakeClock clock;
    TBalloonHintList list(ChartZoneRule());
    AddSessionAlerts(list);
    ASSERT_EQ(list.Count(), 7);
    const std::pair<int, const char*> expected[] = {{0, "Закрылся NewYork, открылся Sydney"},
                                                    {2, "Открылся Tokyo"},
                                                    {9, "Закрылся Sydney"},
                                                    {10, "Открылся London"},
                                                    {11, "Закрылся Tokyo"},
                                                    {15, "Открылся NewYork"},
                                                    {19, "Закрылся London"}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(list.Item(i).Text, QString::fromUtf8(expected[i].second));
        EXPECT_TRUE(SameTime(list.Item(i).Time, MakeTimeOfDay(expected[i].first, 0))) << i;
    }
}

TEST(BalloonHintList, WinterDayFollowsNewYorkStandardTime) {
    const Alerts expected = {{"00:00", "Открылся Tokyo"},
                             {"07:00", "Закрылся Sydney"},
                             {"08:00", "Открылся London"},
                             {"09:00", "Закрылся Tokyo"},
                             {"13:00", "Открылся NewYork"},
                             {"17:00", "Закрылся London"},
                             {"22:00", "Закрылся NewYork, открылся Sydney"}};
    EXPECT_EQ(AlertsOfDay("2026-01-15T00:00:00Z"), expected);
    EXPECT_EQ(AlertsOfDay("2026-01-15T00:00:00Z", 59), expected) << "any second of the minute";
}

TEST(BalloonHintList, SummerDayComesAnHourEarlierInUtc) {
    const Alerts expected = {{"06:00", "Закрылся Sydney"}, {"07:00", "Открылся London"},
                             {"08:00", "Закрылся Tokyo"},  {"12:00", "Открылся NewYork"},
                             {"16:00", "Закрылся London"}, {"21:00", "Закрылся NewYork, открылся Sydney"},
                             {"23:00", "Открылся Tokyo"}};
    EXPECT_EQ(AlertsOfDay("2026-07-15T00:00:00Z"), expected);
}

// The market closes on Friday and opens on Sunday at 17:00 New York time: Friday's
// midnight alert in the chart zone announces NewYork's close alone, Saturday's none,
// Sunday's in the night to Monday Sydney's opening alone, and nothing between.
TEST(BalloonHintList, TheWeekendIsQuietButForTheMarketsCloseAndOpening) {
    EXPECT_EQ(AlertsOfDay("2026-01-16T00:00:00Z").back(),
              (std::pair<QString, QString>("22:00", "Закрылся NewYork")));
    EXPECT_EQ(AlertsOfDay("2026-01-16T00:00:00Z").size(), 7u);
    EXPECT_TRUE(AlertsOfDay("2026-01-17T00:00:00Z").empty());
    const Alerts sunday = {{"22:00", "Открылся Sydney"}};
    EXPECT_EQ(AlertsOfDay("2026-01-18T00:00:00Z"), sunday);
    EXPECT_EQ(AlertsOfDay("2026-01-19T00:00:00Z").front(),
              (std::pair<QString, QString>("00:00", "Открылся Tokyo")));
    // In summer an hour earlier in UTC, the weekend of the chart zone's own change too.
    EXPECT_EQ(AlertsOfDay("2026-07-17T00:00:00Z").back(),
              (std::pair<QString, QString>("21:00", "Закрылся NewYork")));
    EXPECT_EQ(AlertsOfDay("2026-03-08T00:00:00Z"),
              (Alerts{{"21:00", "Открылся Sydney"}, {"23:00", "Открылся Tokyo"}}));
}

TEST(BalloonHintList, AddClearsSecondsAndMillisecondsAndKeepsItsOwnZone) {
    FakeClock clock;
    TIME_ZONE_INFORMATION zone = ChartZoneRule();
    TBalloonHintList list(zone);
    zone.Bias = 0;  // a later change of the source does not reach the list
    const TDateTime someDay = 46'000.0;
    list.Add(QStringLiteral("a"), someDay + MakeTimeOfDay(10, 0, 59, 999));
    EXPECT_DOUBLE_EQ(list.Item(0).Time, someDay + MakeTimeOfDay(10, 0));
    EXPECT_EQ(list.Zone().Bias, -120);

    // 08:00:30 UTC in January is 10:00:30 in the list's zone: the alert of the minute,
    // on any date; a minute later nothing is due.
    clock.SetUtc("2031-01-08T08:00:30Z");
    ASSERT_NE(list.CurrentHint(clock.UtcMs()), nullptr);
    EXPECT_EQ(list.CurrentHint(clock.UtcMs())->Text, QStringLiteral("a"));
    clock.Advance(60'000);
    EXPECT_EQ(list.CurrentHint(clock.UtcMs()), nullptr);
    clock.SetUtc("2031-01-08T07:59:59.999Z");
    EXPECT_EQ(list.CurrentHint(clock.UtcMs()), nullptr);
}

}  // namespace
