#include "sessions/SessionChart.h"

#include "sessions/SessionTable.h"
#include "worldmap/WorldMapPicture.h"

#include "SessionFixtures.h"

#include <gtest/gtest.h>

namespace {

int Blend(int src, int dest) {
    return (src * 192 + dest * 63) / 255;
}

QRgb Blend(QRgb src, QRgb dest) {
    return qRgb(Blend(qRed(src), qRed(dest)), Blend(qGreen(src), qGreen(dest)),
                Blend(qBlue(src), qBlue(dest)));
}

QImage GradientMap() {
    QImage map(kChartWidth, kChartHeight, QImage::Format_RGB32);
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) map.setPixel(x, y, qRgb(x % 256, y % 256, (x + 3 * y) % 256));
    return map;
}

}  // namespace

TEST(SessionChartGeometry, ColumnsAlternateAndRoundHalfToEven) {
    EXPECT_EQ(R(562.5), 562);
    EXPECT_EQ(R(487.5), 488);
    EXPECT_EQ(R(-0.5), 0);
    EXPECT_EQ(R(-1.5), -2);
    const int lefts[] = {0, 38, 75, 112, 150};
    const int widths[] = {38, 37, 37, 38, 38};
    for (int a = 0; a < 5; ++a) {
        EXPECT_EQ(ColumnLeft(a, 37.5), lefts[a]);
        EXPECT_EQ(ColumnWidth(a, 37.5), widths[a]);
    }
    EXPECT_EQ(ColumnLeft(23, 37.5) + ColumnWidth(23, 37.5), 900);
}

TEST(SessionChartGeometry, ElementsStandInTheColumnOfTheirLastHour) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:00:00");
    const TSessionTable table = CreateSessionTable(
        {37.5, 37}, clock.UtcMs(), {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
    const int sessions[] = {562, 488, 188, 0, 0, 38, 338};
    for (size_t g = 0; g < 7; ++g) EXPECT_EQ(ElementLeft(*table.SessionList[g], 37.5), sessions[g]) << g;
    const int overlaps[] = {562, 488, 188};
    for (size_t g = 0; g < 3; ++g) EXPECT_EQ(ElementLeft(*table.OverlapList[g], 37.5), overlaps[g]) << g;
}

TEST(SessionChartGeometry, RowsFormAStaircaseWithTheExchangesAbove) {
    const int sessions[] = {391, 317, 243, 169};
    for (int g = 0; g < 4; ++g) EXPECT_EQ(SessionRowTop(g, 447, 37), sessions[g]);
    const int overlaps[] = {354, 280, 206};
    for (int g = 0; g < 3; ++g) EXPECT_EQ(OverlapRowTop(g, 447, 37), overlaps[g]);
    const int exchanges[] = {115, 60, 5};
    for (int g = 4; g < 7; ++g) EXPECT_EQ(ExchangeRowTop(g, 447, 37), exchanges[g - 4]);
}

TEST(SessionChartGeometry, HourPanelsFollowTheReferenceZoneButTheColumnDoesNot) {
    // Reference zone = chart zone: panel 23 on the left edge, panel 24 (0:00) on the right.
    EXPECT_EQ(HourPanelPlace(23, 0, 37.5), QRect(0, 0, 38, 0));
    EXPECT_EQ(HourPanelPlace(24, 0, 37.5), QRect(862, 0, 38, 0));
    EXPECT_EQ(HourPanelPlace(1, 0, 37.5).left(), 825);
    // Three hours ahead, panel 3 stands where panel 24 stood.
    EXPECT_EQ(HourPanelPlace(3, 3, 37.5), QRect(862, 0, 38, 0));
    EXPECT_GT(HourPanelPlace(3, -20, 37.5).width(), 0);

    // Chart-zone 0:30: the rightmost column, whatever whole-hour zone is the reference,
    // and it lies under the red panel.
    EXPECT_EQ(HourColumn(0, 0), 23);
    EXPECT_EQ(HourColumn(3, 3), 23);
    EXPECT_EQ(HourColumn(-7, 17), 23);
    EXPECT_EQ(HighlightIndex(0), 24);
    EXPECT_EQ(HighlightIndex(13), 13);
    EXPECT_EQ(HourPanelPlace(HighlightIndex(3), 3, 37.5).left(), ColumnLeft(HourColumn(3, 3), 37.5));
}

TEST(SessionChartBlend, StretchesClipsAndUsesTheConstantAlpha) {
    QImage dest(10, 10, QImage::Format_RGB32);
    dest.fill(qRgb(10, 100, 250));
    BlendImage(dest, QRect(2, 0, 3, 10), MakeHourHighlightPixel());
    EXPECT_EQ(dest.pixel(2, 9), qRgb(Blend(255, 10), Blend(255, 100), Blend(0, 250)));
    EXPECT_EQ(dest.pixel(5, 0), qRgb(10, 100, 250));

    QImage src(4, 4, QImage::Format_RGB32);
    for (int i = 0; i < 16; ++i) src.setPixel(i % 4, i / 4, qRgb(i * 10, 0, 0));
    BlendImage(dest, QRect(-2, -3, 4, 4), src);  // only src (2..3, 3) lands
    EXPECT_EQ(qRed(dest.pixel(0, 0)), Blend(140, 10));
    EXPECT_EQ(qRed(dest.pixel(1, 0)), Blend(150, 10));
    CopyImage(dest, 8, 8, src);  // 2 x 2 of it fits
    EXPECT_EQ(dest.pixel(9, 9), src.pixel(1, 1));
    CopyImage(dest, 20, 20, src);
    BlendImage(dest, QRect(-10, 0, 4, 4), src);

    // Every pair of channel values, as one picture over another and as a single pixel.
    QImage under(256, 256, QImage::Format_RGB32), over(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            under.setPixel(x, y, qRgb(y, x, 255 - y));
            over.setPixel(x, y, qRgb(x, y, x ^ y));
        }
    QImage blended = under;
    BlendImage(blended, under.rect(), over);
    QImage solid = under;
    for (int y = 0; y < 256; ++y) {
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.setPixel(0, 0, qRgb(y, 255 - y, y / 2));
        BlendImage(solid, QRect(0, y, 256, 1), pixel);
    }
    int wrong = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            wrong += blended.pixel(x, y) != Blend(over.pixel(x, y), under.pixel(x, y));
            wrong += solid.pixel(x, y) != Blend(qRgb(y, 255 - y, y / 2), under.pixel(x, y));
        }
    EXPECT_EQ(wrong, 0);

    // A 3 x 2 picture stretched nearest-neighbour over 7 x 5, its top-left corner clipped.
    QImage stretched = under.copy(0, 0, 8, 8);
    const QImage small = over.copy(40, 90, 3, 2);
    BlendImage(stretched, QRect(-1, -1, 7, 5), small);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x <= 5 && y <= 3;
            const QRgb expected =
                inside ? Blend(small.pixel((x + 1) * 3 / 7, (y + 1) * 2 / 5), under.pixel(x, y))
                       : under.pixel(x, y);
            EXPECT_EQ(stretched.pixel(x, y), expected) << x << ", " << y;
        }
}

class SessionChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTwentyFourHourClock();
        SetChartTime(clock, 0, 30);
        table = CreateSessionTable({37.5, 37}, clock.UtcMs(),
                                   {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
    }
    void Compose(int column) {
        PaintElementsFor(table, clock.UtcMs());
        ComposeChart(chart, map, MakeHourHighlightPixel(), column, table.SessionList, table.OverlapList);
    }

    FakeClock clock;
    TSessionTable table;
    QImage map = GradientMap();
    QImage chart = MakeChartBitmap();
};

TEST_F(SessionChartTest, BlendsTheColumnAndBarsOverTheMapAndCopiesTheStrips) {
    Compose(HourColumn(0, 0));
    const QRgb yellow = qRgb(0xFF, 0xFF, 0x00);
    EXPECT_EQ(chart.pixel(861, 2), map.pixel(861, 2));
    EXPECT_EQ(chart.pixel(862, 2), Blend(yellow, map.pixel(862, 2)));
    EXPECT_EQ(chart.pixel(899, 446), Blend(yellow, map.pixel(899, 446)));

    // Each bar's top-left corner (its border) is blended at its place.
    const QPoint corners[] = {{562, 391}, {488, 317}, {188, 243}, {0, 169}, {0, 115}, {38, 60}, {338, 5}};
    for (size_t g = 0; g < 7; ++g) {
        const QPoint p = corners[g];
        SCOPED_TRACE(g);
        EXPECT_EQ(chart.pixel(p), Blend(table.SessionList[g]->Bitmap().pixel(0, 0), map.pixel(p)));
        if (p.x() > 0) {
            EXPECT_EQ(chart.pixel(p - QPoint(1, 0)), map.pixel(p - QPoint(1, 0)));
        }
    }
    // Sydney is open at 0:30: green over the yellow column over the map.
    EXPECT_EQ(chart.pixel(880, 427), Blend(qRgb(0, 0x80, 0), Blend(yellow, map.pixel(880, 427))));
    EXPECT_EQ(chart.pixel(880, 428), Blend(yellow, map.pixel(880, 428)));

    // The strips are their own pixels, exactly.
    const QPoint strips[] = {{562, 354}, {488, 280}, {188, 206}};
    for (size_t g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(chart.pixel(strips[g]), qRgb(0xFF, 0xFB, 0xF0));
        EXPECT_EQ(chart.pixel(strips[g] + QPoint(0, 36)), qRgb(0xFF, 0xFB, 0xF0));
    }
}

// Each composition is the one a fresh chart would get, whatever the chart showed before:
// the hour column moved, the bars at other places, a pixel written into the chart, the
// map changed, another chart composed in between; over a plain map and over the embedded one.
TEST_F(SessionChartTest, EachMinuteStartsAgainFromTheMap) {
    TSessionTable moved = CreateSessionTable({37.5, 37}, clock.UtcMs(),
                                             {TestChartZone(), MoscowZone(), CentralZone(), EasternZone()});
    PaintElementsFor(table, clock.UtcMs());
    PaintElementsFor(moved, clock.UtcMs());
    const auto fresh = [](const QImage& over, int column, const TSessionTable& elements) {
        QImage image = MakeChartBitmap();
        ComposeChart(image, over, MakeHourHighlightPixel(), column, elements.SessionList,
                     elements.OverlapList);
        return image;
    };
    const auto compose = [](QImage& into, const QImage& over, int column, const TSessionTable& elements) {
        ComposeChart(into, over, MakeHourHighlightPixel(), column, elements.SessionList,
                     elements.OverlapList);
    };
    for (const QImage& base : {map, LoadWorldMapPicture(1)}) {
        SCOPED_TRACE(base.format());
        QImage otherMap = base.copy();
        otherMap.fill(qRgb(10, 20, 30));
        const QImage columnLeft = fresh(base, 23, table), columnRight = fresh(base, 0, table),
                     barsMoved = fresh(base, 0, moved), mapChanged = fresh(otherMap, 0, moved);
        ASSERT_FALSE(barsMoved == columnRight);
        ASSERT_FALSE(mapChanged == barsMoved);

        chart = MakeChartBitmap();
        QImage other = MakeChartBitmap();
        compose(chart, base, 23, table);
        EXPECT_TRUE(chart == columnLeft);
        compose(chart, base, 0, table);
        EXPECT_TRUE(chart == columnRight);
        EXPECT_EQ(chart.pixel(880, 2), base.pixel(880, 2));
        EXPECT_EQ(chart.pixel(10, 2), Blend(qRgb(0xFF, 0xFF, 0), base.pixel(10, 2)));
        compose(chart, base, 0, moved);
        EXPECT_TRUE(chart == barsMoved);
        chart.setPixel(450, 30, qRgb(255, 0, 0));  // where no bar nor the column is
        compose(chart, base, 0, moved);
        EXPECT_TRUE(chart == barsMoved);
        compose(chart, otherMap, 0, moved);
        EXPECT_TRUE(chart == mapChanged);
        compose(other, base, 23, table);
        compose(chart, base, 0, table);
        EXPECT_TRUE(chart == columnRight);
        EXPECT_TRUE(other == columnLeft);
    }
}

// At device pixel ratio 2 the chart is composed on every device pixel: the map drawn for
// that ratio shows between the bars, a bar's border is sharp within one device pixel and
// its text is drawn at that resolution. A chart composed at ratio 1 and enlarged fails
// each: smoothly, the edge blurs; pixel by pixel, the map and the text come in pairs.
TEST(SessionChartAtRatioTwo, EveryDevicePixelIsComposed) {
    UseTwentyFourHourClock();
    FakeClock clock;
    SetChartTime(clock, 0, 30);
    TSessionTable table = CreateSessionTable({37.5, 37, 2.0}, clock.UtcMs(),
                                             {TestChartZone(), CentralZone(), EasternZone(), MoscowZone()});
    PaintElementsFor(table, clock.UtcMs());
    QImage map(1800, 894, QImage::Format_RGB32);
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) map.setPixel(x, y, qRgb(x % 251, y % 241, (7 * x + y) % 256));
    QImage chart = MakeChartBitmap(kChartWidth, kChartHeight, 2.0);
    ComposeChart(chart, map, MakeHourHighlightPixel(), 12, table.SessionList, table.OverlapList);
    ASSERT_EQ(chart.size(), QSize(1800, 894));
    EXPECT_EQ(ChartSize(chart), QSize(900, 447));
    EXPECT_EQ(ChartHourWidth(chart), 37.5);
    EXPECT_EQ(ChartElementHeight(chart), 37);

    // NYSE, closed: grey border, white inside, chart pixels (38, 60) to (263, 97).
    const QImage& nyse = table.SessionList[5]->Bitmap();
    ASSERT_EQ(nyse.size(), QSize(450, 74));
    const QRgb grey = qRgb(0x80, 0x80, 0x80), white = qRgb(0xFF, 0xFF, 0xFF);
    for (int y = 122; y < 192; ++y) {  // its left edge
        ASSERT_EQ(chart.pixel(75, y), map.pixel(75, y)) << y;
        ASSERT_EQ(chart.pixel(76, y), Blend(grey, map.pixel(76, y))) << y;
        ASSERT_EQ(chart.pixel(77, y), Blend(grey, map.pixel(77, y))) << y;
        ASSERT_EQ(chart.pixel(78, y), Blend(white, map.pixel(78, y))) << y;
        ASSERT_EQ(chart.pixel(523, y), Blend(white, map.pixel(523, y))) << y;  // and its right one
        ASSERT_EQ(chart.pixel(525, y), Blend(grey, map.pixel(525, y))) << y;
        ASSERT_EQ(chart.pixel(526, y), map.pixel(526, y)) << y;
    }
    for (int x : {90, 91, 400, 401}) {  // its top edge, under the title's first line
        EXPECT_EQ(chart.pixel(x, 119), map.pixel(x, 119)) << x;
        EXPECT_EQ(chart.pixel(x, 121), Blend(grey, map.pixel(x, 121))) << x;
        EXPECT_EQ(chart.pixel(x, 122), Blend(white, map.pixel(x, 122))) << x;
    }
    // The title's ink differs between the two device pixels of many a chart pixel.
    int halves = 0;
    for (int y = 4; y < 36; ++y)
        for (int x = 0; x + 1 < nyse.width(); x += 2) halves += nyse.pixel(x, y) != nyse.pixel(x + 1, y);
    EXPECT_GT(halves, 100);
    // The strips land at their place in device pixels, as they are.
    EXPECT_EQ(chart.pixel(376, 412), qRgb(0xFF, 0xFB, 0xF0));
    EXPECT_NE(chart.pixel(375, 412), qRgb(0xFF, 0xFB, 0xF0));
    // The hour column, chart pixels 450 to 487, on exactly its device pixels.
    for (int x : {900, 975})
        EXPECT_EQ(chart.pixel(x, 893), Blend(qRgb(0xFF, 0xFF, 0), map.pixel(x, 893))) << x;
    for (int x : {899, 976}) EXPECT_EQ(chart.pixel(x, 893), map.pixel(x, 893)) << x;
}

// The map goes into the chart's corner: a map larger than the chart is clipped, a smaller
// one leaves the rest as it was.
TEST(SessionChartMap, TheMapIsCopiedIntoTheCornerAndClipped) {
    QImage chart(kChartWidth, kChartHeight, QImage::Format_RGB32);
    chart.fill(Qt::white);
    QImage small(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) small.setPixel(x, y, qRgb(x % 256, y, (x + 3 * y) % 256));
    CopyMap(chart, small);
    EXPECT_TRUE(chart.copy(0, 0, 300, 200) == small);
    EXPECT_EQ(chart.pixel(300, 0), qRgb(255, 255, 255));
    EXPECT_EQ(chart.pixel(0, 200), qRgb(255, 255, 255));

    QImage large(1000, 500, QImage::Format_RGB32);
    large.fill(qRgb(1, 2, 3));
    CopyMap(chart, large);
    EXPECT_EQ(chart.pixel(899, 446), qRgb(1, 2, 3));
}
