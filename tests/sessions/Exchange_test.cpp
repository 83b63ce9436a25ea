#include "sessions/Exchange.h"

#include "SessionFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TDateTime Hm(int hour, int minute = 0) {
    return double(hour * 60 + minute) / 1440.0;
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { UseTwentyFourHourClock(); }

    TExchange Make(const char* name, TDateTime open, TDateTime close, double hourWidth = 37.5,
                   int height = 37) {
        return TExchange({QString::fromUtf8(name), open, close, hourWidth, height, {}}, chartZone);
    }

    FakeClock clock;
    TIME_ZONE_INFORMATION chartZone = TestChartZone();
};

bool IsInk(QRgb pixel, QRgb fill) {
    return pixel != fill;
}

}  // namespace

TEST_F(ExchangeTest, SydneyOpensAtMidnightAndClosesAtNineInTheChartZone) {
    TExchange sydney = Make("Sydney", Hm(0), Hm(9));
    SetChartTime(clock, 0, 0);  // the computer's own clock reads 7:00
    EXPECT_TRUE(sydney.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до закрытия 9 ч. 00 мин");

    SetChartTime(clock, 8, 0);  // exactly one hour left is still hours and minutes
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до закрытия 1 ч. 00 мин");

    SetChartTime(clock, 8, 54, 30);  // seconds are dropped: six minutes from 8:54
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до закрытия 06 мин");

    SetChartTime(clock, 8, 59, 59, 999);
    EXPECT_TRUE(sydney.IsActiveAt(clock.UtcMs()));

    SetChartTime(clock, 9, 0);
    EXPECT_FALSE(sydney.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до открытия 15 ч. 00 мин");
}

TEST_F(ExchangeTest, NewYorkRunsToTheEndOfTheDay) {
    TExchange newYork = Make("NewYork", Hm(15), 1.0);
    EXPECT_EQ(newYork.TitleText(), "NewYork (15:00 - 0:00)");

    SetChartTime(clock, 14, 59);
    EXPECT_FALSE(newYork.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(newYork.CountdownText(clock.UtcMs()), "до открытия 01 мин");

    SetChartTime(clock, 23, 30);
    EXPECT_TRUE(newYork.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(newYork.CountdownText(clock.UtcMs()), "до закрытия 30 мин");

    SetChartTime(clock, 23, 59, 59, 999);
    EXPECT_TRUE(newYork.IsActiveAt(clock.UtcMs()));

    SetChartTime(clock, 0, 0);
    EXPECT_FALSE(newYork.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(newYork.CountdownText(clock.UtcMs()), "до открытия 15 ч. 00 мин");
}

// Outside the currency market's week a session is closed, whatever its hours say, and
// counts down to its first opening after the weekend, with the days in front.
TEST_F(ExchangeTest, OverTheWeekendASessionCountsDownToItsFirstOpeningAfterIt) {
    const TTradingDays market = TTradingDays::CurrencyMarket(TTradingWeek(EasternZone()));
    TExchange london({"London", Hm(10), Hm(19), 37.5, 37, market}, chartZone);
    TExchange sydney({"Sydney", Hm(0), Hm(9), 37.5, 37, market}, chartZone);
    clock.SetUtc("2026-01-16T16:59:00Z");  // Friday 18:59 in the chart zone
    EXPECT_EQ(london.CountdownText(clock.UtcMs()), "до закрытия 01 мин");
    clock.SetUtc("2026-01-16T22:00:00Z");  // Friday 17:00 in New York: the market closes
    EXPECT_FALSE(sydney.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до открытия 2 д. 00 ч. 00 мин");
    clock.SetUtc("2026-01-17T10:01:00Z");  // Saturday 12:01, inside London's hours
    EXPECT_FALSE(london.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(london.CountdownText(clock.UtcMs()), "до открытия 1 д. 21 ч. 59 мин");
    EXPECT_EQ(london.GetBitmap(clock.UtcMs()).pixel(1, 1), qRgb(0xFF, 0xFF, 0xFF));
    clock.SetUtc("2026-01-17T13:00:00Z");
    EXPECT_EQ(london.CountdownText(clock.UtcMs()), "до открытия 1 д. 19 ч. 00 мин");
    clock.SetUtc("2026-01-18T21:59:59.999Z");
    EXPECT_FALSE(sydney.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до открытия 01 мин");
    clock.SetUtc("2026-01-18T22:00:00Z");  // Sunday 17:00 in New York
    EXPECT_TRUE(sydney.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(sydney.CountdownText(clock.UtcMs()), "до закрытия 9 ч. 00 мин");
    clock.SetUtc("2026-01-19T08:00:00Z");
    EXPECT_TRUE(london.IsActiveAt(clock.UtcMs()));
    EXPECT_EQ(london.CountdownText(clock.UtcMs()), "до закрытия 9 ч. 00 мин");
}

TEST_F(ExchangeTest, TimeUntilChangeCountsFromTheWholeMinute) {
    TExchange london = Make("London", Hm(10), Hm(19));
    SetChartTime(clock, 10, 0, 40);  // opened 40 s ago: nine hours from 10:00 to the close
    EXPECT_EQ(london.TimeUntilChangeAt(clock.UtcMs()), 9 * 3'600'000);
    SetChartTime(clock, 9, 59, 59, 999);
    EXPECT_EQ(london.TimeUntilChangeAt(clock.UtcMs()), 60'000);
    SetChartTime(clock, 19, 0);  // closed: the next opening is tomorrow's
    EXPECT_EQ(london.TimeUntilChangeAt(clock.UtcMs()), 15 * 3'600'000);
}

TEST_F(ExchangeTest, BitmapIsWholeHoursWideRoundedHalfToEven) {
    EXPECT_EQ(Make("CME", Hm(17, 30), 1.0).Bitmap().width(), 225);  // 6 h 30 min
    EXPECT_EQ(Make("РТС", Hm(9), Hm(15, 45)).Bitmap().width(), 225);
    EXPECT_EQ(Make("Sydney", Hm(0), Hm(9)).Bitmap().width(), 338);  // 337.5
    EXPECT_EQ(Make("X", Hm(1), Hm(4)).Bitmap().width(), 112);  // 112.5
    EXPECT_EQ(Make("Sydney", Hm(0), Hm(9)).Bitmap().height(), 37);
}

TEST_F(ExchangeTest, AnEmptyOrBackwardSpanHasNoBitmapAndIsNeverOpen) {
    for (TDateTime close : {Hm(5), Hm(4, 59), Hm(3)}) {
        TExchange empty = Make("X", Hm(5), close);
        SetChartTime(clock, 5, 0);
        EXPECT_FALSE(empty.IsActiveAt(clock.UtcMs()));
        EXPECT_TRUE(empty.GetBitmap(clock.UtcMs()).isNull());
    }
}

// Open: green with a white title and a black countdown; closed: white in a grey frame,
// a black title and a red countdown.
TEST_F(ExchangeTest, PaintsTheColoursOfItsState) {
    TExchange sydney = Make("Sydney", Hm(0), Hm(9));
    const QRgb green = qRgb(0x00, 0x80, 0x00), grey = qRgb(0x80, 0x80, 0x80);
    const QRgb white = qRgb(0xFF, 0xFF, 0xFF), black = qRgb(0, 0, 0), red = qRgb(0xFF, 0, 0);
    struct State {
        int hour, minute;
        QRgb border, fill, title, countdown;
    };
    for (const State& s : {State{3, 0, green, green, white, black}, State{12, 1, grey, white, black, red}}) {
        SCOPED_TRACE(s.hour);
        SetChartTime(clock, s.hour, s.minute);
        const QImage bitmap = sydney.GetBitmap(clock.UtcMs());
        const int w = bitmap.width();
        for (const QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, 36), QPoint(w - 1, 36)})
            EXPECT_EQ(bitmap.pixel(corner), s.border);
        EXPECT_EQ(bitmap.pixel(1, 1), s.fill);
        EXPECT_EQ(bitmap.pixel(w - 2, 35), s.fill);
        EXPECT_TRUE(InkIs(bitmap, 2, 20, s.fill, s.title));  // the title's rows
        EXPECT_TRUE(InkIs(bitmap, 21, 35, s.fill, s.countdown));
    }
}

// A bar is painted once for each minute it is asked for, whatever the date: the same
// minute of the hour an hour on is another minute.
TEST_F(ExchangeTest, PaintsOnceForEachWholeMinute) {
    TExchange sydney = Make("Sydney", Hm(0), Hm(9));
    SetChartTime(clock, 8, 59);
    const qint64 minute = clock.UtcMs();
    EXPECT_EQ(sydney.GetBitmap(clock.UtcMs()).pixel(1, 1), qRgb(0x00, 0x80, 0x00));
    EXPECT_EQ(sydney.PaintedMinuteMs(), minute);
    clock.Advance(59'999);  // the same minute: what was painted stands
    sydney.GetBitmap(clock.UtcMs());
    EXPECT_EQ(sydney.PaintedMinuteMs(), minute);

    clock.Advance(1);  // 9:00, closed
    EXPECT_EQ(sydney.GetBitmap(clock.UtcMs()).pixel(1, 1), qRgb(0xFF, 0xFF, 0xFF));
    clock.Advance(23 * 3'600'000);  // 8:00 the next day, the same minute of the hour as before
    EXPECT_EQ(sydney.GetBitmap(clock.UtcMs()).pixel(1, 1), qRgb(0x00, 0x80, 0x00));
    EXPECT_EQ(sydney.PaintedMinuteMs(), minute + 23 * 3'600'000 + 60'000);
}

TEST_F(ExchangeTest, ATitleWiderThanItsBarIsCentredAndClippedOnBothSides) {
    TExchange narrow = Make("A rather long exchange name", Hm(5), Hm(6));
    ASSERT_EQ(narrow.Bitmap().width(), 38);
    SetChartTime(clock, 12, 0);
    const QImage bitmap = narrow.GetBitmap(clock.UtcMs());
    const QRgb white = qRgb(0xFF, 0xFF, 0xFF);
    bool leftInk = false;
    bool rightInk = false;
    for (int y = 2; y < 20; ++y) {
        leftInk = leftInk || IsInk(bitmap.pixel(1, y), white);
        rightInk = rightInk || IsInk(bitmap.pixel(36, y), white);
    }
    EXPECT_TRUE(leftInk);
    EXPECT_TRUE(rightInk);

    // In a bar wide enough the same title stands centred, at either height.
    for (const int height : {37, 74}) {
        TExchange wide = Make("A rather long exchange name", Hm(0), Hm(12), 75, height);
        const QImage image = wide.GetBitmap(clock.UtcMs());
        const QRgb fill = image.pixel(1, 1);
        int left = image.width(), right = 0;
        for (int y = 2; y < height / 2; ++y)
            for (int x = 1; x < image.width() - 1; ++x)
                if (IsInk(image.pixel(x, y), fill)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        EXPECT_LT(right, image.width() - 1);
        EXPECT_NEAR(left, image.width() - 1 - right, 2) << height;
    }
}

TEST(ChartLettering, EveryCellHeightGetsThePixelSizeTheFontDatabaseMeasures) {
    // The sizes are tried on one loaded face, resized; each must measure as the font
    // database's own font of that size does, or the bars' letters change size.
    for (const bool bold : {false, true}) {
        QFont face(QStringLiteral("Arial"));
        face.setBold(bold);
        for (int cell = 1; cell <= 60; ++cell)
            ASSERT_EQ(CellHeightPixelSize(face, cell), CellHeightPixelSizeMeasured(face, cell))
                << "cell height " << cell << (bold ? " bold" : "");
    }
    // Liberation Sans, which fontconfig gives for Arial, at the chart's three cells.
    EXPECT_EQ(CellHeightFont(18, true).pixelSize(), 16);
    EXPECT_EQ(CellHeightFont(12, false).pixelSize(), 11);
    EXPECT_EQ(CellHeightFont(9, false).pixelSize(), 8);
}
