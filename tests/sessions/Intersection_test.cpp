#include "sessions/Intersection.h"

#include "sessions/Exchange.h"
#include "sessions/SessionTable.h"

#include "SessionFixtures.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {

const QRgb kAmber = qRgb(0xF8, 0xC3, 0x00);
const QRgb kCream = qRgb(0xFF, 0xFB, 0xF0);

TDateTime Hm(int hour, int minute = 0) {
    return double(hour * 60 + minute) / 1440.0;
}

class IntersectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTwentyFourHourClock();
        table = CreateSessionTable({37.5, 37}, clock.UtcMs(),
                                   {chartZone, CentralZone(), EasternZone(), MoscowZone()});
    }
    TIntersection& Overlap(int k) { return *table.OverlapList[size_t(k)]; }

    FakeClock clock;
    TIME_ZONE_INFORMATION chartZone = TestChartZone();
    TSessionTable table;
};

}  // namespace

TEST_F(IntersectionTest, SpansTheCommonHoursOfNeighbouringSessions) {
    const struct {
        TDateTime open, close;
        int width;
    } expected[] = {{Hm(2), Hm(9), 263}, {Hm(10), Hm(11), 38}, {Hm(15), Hm(19), 150}};
    ASSERT_EQ(table.OverlapList.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_DOUBLE_EQ(Overlap(k).OpenTime(), expected[k].open);
        EXPECT_DOUBLE_EQ(Overlap(k).CloseTime(), expected[k].close);
        EXPECT_EQ(Overlap(k).Bitmap().width(), expected[k].width);  // 262.5 rounds up
        EXPECT_EQ(Overlap(k).Bitmap().height(), 37);
    }
}

// Lengths are no clock times: a 12-hour clock with another separator shows them as H:MM
// too. Over the weekend no strip runs.
TEST_F(IntersectionTest, ShowsTimeLeftWhileRunningAndTheLengthOtherwise) {
    TimeFormatSettings twelveHour;
    twelveHour.twelveHour = true;
    twelveHour.timeSeparator = QStringLiteral(".");
    SetCurrentTimeFormatSettings(twelveHour);
    SetChartTime(clock, 3, 0);
    EXPECT_TRUE(Overlap(0).IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(Overlap(0).ValueText(clock.UtcMs()), "6:00");
    EXPECT_EQ(Overlap(0).GetBitmap(clock.UtcMs()).pixel(0, 0), kAmber);
    EXPECT_TRUE(InkIs(Overlap(0).GetBitmap(clock.UtcMs()), 0, 36, kAmber,
                      qRgb(0, 0, 0)));  // the window's text colour

    SetChartTime(clock, 12, 1);  // a new minute, so strip 0 repaints
    const char* lengths[] = {"7:00", "1:00", "4:00"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_FALSE(Overlap(k).IsActiveAt(clock.UtcMs()));
        EXPECT_EQ(Overlap(k).ValueText(clock.UtcMs()), lengths[k]);
        const QImage bitmap = Overlap(k).GetBitmap(clock.UtcMs());
        EXPECT_EQ(bitmap.pixel(0, 0), kCream);
        EXPECT_EQ(bitmap.pixel(bitmap.width() - 1, 36), kCream);
        EXPECT_TRUE(InkIs(bitmap, 0, 36, kCream, qRgb(0, 0, 0)));
    }

    SetChartTime(clock, 9, 0);  // the close counts as closed
    EXPECT_FALSE(Overlap(0).IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(Overlap(0).ValueText(clock.UtcMs()), "7:00");
    SetChartTime(clock, 8, 59, 59, 999);
    EXPECT_TRUE(Overlap(0).IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(Overlap(0).ValueText(clock.UtcMs()), "0:01");

    clock.SetUtc("2026-01-17T01:00:00Z");  // Saturday 3:00 in the chart zone
    EXPECT_FALSE(Overlap(0).IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(Overlap(0).ValueText(clock.UtcMs()), "7:00");
    EXPECT_EQ(Overlap(0).GetBitmap(clock.UtcMs()).pixel(0, 0), kCream);
    UseTwentyFourHourClock();
}

TEST_F(IntersectionTest, LabelSplitsExactlyWhenTheStripIsNarrowerThanIt) {
    QFont font = CellHeightFont(37 / 3, false);
    const int labelWidth = QFontMetrics(font).horizontalAdvance(QStringLiteral("Общее время"));
    EXPECT_FALSE(TIntersection::TwoLineLabel(labelWidth, 37));
    EXPECT_TRUE(TIntersection::TwoLineLabel(labelWidth - 1, 37));
    const int tallLabelWidth =
        QFontMetrics(CellHeightFont(74 / 3, false)).horizontalAdvance(QStringLiteral("Общее время"));
    EXPECT_FALSE(TIntersection::TwoLineLabel(tallLabelWidth, 74));
    EXPECT_TRUE(TIntersection::TwoLineLabel(tallLabelWidth - 1, 74));
    // With the standard chart only the one-hour Tokyo and London strip splits.
    EXPECT_FALSE(TIntersection::TwoLineLabel(Overlap(0).Bitmap().width(), 37));
    EXPECT_TRUE(TIntersection::TwoLineLabel(Overlap(1).Bitmap().width(), 37));
    EXPECT_FALSE(TIntersection::TwoLineLabel(Overlap(2).Bitmap().width(), 37));

    // A split label puts ink on the middle line of the strip, where "время" stands.
    SetChartTime(clock, 12, 0);
    const QImage split = Overlap(1).GetBitmap(clock.UtcMs());
    bool middleInk = false;
    for (int x = 0; x < split.width(); ++x) middleInk = middleInk || split.pixel(x, 18) != kCream;
    EXPECT_TRUE(middleInk);
}

TEST_F(IntersectionTest, SessionsThatDoNotOverlapGiveAnEmptyStripThatIsNeverOpen) {
    const TExchange early({"Early", Hm(1), Hm(5), 37.5, 37, {}}, chartZone);
    const TExchange late({"Late", Hm(5), Hm(8), 37.5, 37, {}}, chartZone);
    const TExchange later({"Later", Hm(7), Hm(9), 37.5, 37, {}}, chartZone);
    for (const TExchange* second : {&late, &later}) {
        TIntersection none(early, *second, {37.5, 37}, chartZone);
        EXPECT_GE(none.CloseTime(), none.OpenTime());
        EXPECT_TRUE(none.Bitmap().isNull());
        for (int hour = 0; hour < 24; ++hour) {
            SetChartTime(clock, hour, 0);
            EXPECT_FALSE(none.IsActiveAt(clock.UtcMs()));
        }
        EXPECT_TRUE(none.GetBitmap(clock.UtcMs()).isNull());
    }
}
