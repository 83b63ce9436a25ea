#include "minimode/StripLayout.h"

#include <gtest/gtest.h>

#include <climits>

TEST(StripLayout, TilesOverlapByOneColumnAndTheLastEndsAtTheStripWidth) {
    const TStripLayout layout = LayoutStrip({100, 90, 80, 95, 85});
    EXPECT_EQ(layout.Width, 446);
    EXPECT_EQ(layout.TileLefts, (std::array<int, 5>{0, 99, 188, 267, 361}));
    EXPECT_EQ(layout.TileLefts[4] + 85, layout.Width);
}

TEST(StripLayout, WidthChangeKeepsTheCentreWithTruncatingHalves) {
    EXPECT_EQ(CentredLeft(500, 420, 446), 487);  // grows 26: left moves 13
    EXPECT_EQ(CentredLeft(500, 446, 445), 500);  // -1 div 2 is 0, not -1
    EXPECT_EQ(CentredLeft(500, 446, 447), 500);
    EXPECT_EQ(CentredLeft(500, 449, 446), 501);  // shrinks 3: -3 div 2 is -1
    EXPECT_EQ(CentredLeft(-10, 100, 100), -10);
}

TEST(StripLayout, DefaultPositionIsCentredAtTheTopOfTheMonitor) {
    // The monitor's right edge is exclusive: 1920, not QRect::right() = 1919.
    EXPECT_EQ(DefaultStripPosition(QRect(0, 0, 1920, 1080), 446), QPoint(737, 0));
    // A second monitor right of the first, and one left of it at negative x.
    EXPECT_EQ(DefaultStripPosition(QRect(1920, 0, 1280, 1024), 446), QPoint(2337, 0));
    EXPECT_EQ(DefaultStripPosition(QRect(-1280, -200, 1280, 1024), 446), QPoint(-863, -200));
    // A strip wider than the monitor hangs over both edges equally (truncating).
    EXPECT_EQ(DefaultStripPosition(QRect(0, 0, 800, 600), 1001), QPoint(-100, 0));
}

TEST(StripLayout, AStoredPositionOnNoScreenFallsBackToTheDefault) {
    const QList<QRect> screens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 800, 600)};
    const QSize strip(446, 17);
    const QPoint fallback(417, 0);
    EXPECT_EQ(StripPosition(QPoint(1500, 300), fallback, strip, screens), QPoint(1500, 300));
    // Hanging over an edge is the user's choice; a strip partly on a screen stays.
    EXPECT_EQ(StripPosition(QPoint(-400, 10), fallback, strip, screens), QPoint(-400, 10));
    EXPECT_EQ(StripPosition(QPoint(1900, 590), fallback, strip, screens), QPoint(1900, 590));
    // Under the smaller second monitor, left of the first, or on an unplugged third: lost.
    EXPECT_EQ(StripPosition(QPoint(1500, 700), fallback, strip, screens), fallback);
    EXPECT_EQ(StripPosition(QPoint(-446, 10), fallback, strip, screens), fallback);
    EXPECT_EQ(StripPosition(QPoint(2500, 100), fallback, strip, screens), fallback);
    // The ends of what a stored key holds are off every screen too, whatever the sum of
    // position and size would overflow to.
    for (const QPoint far : {QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX), QPoint(INT_MIN, 10),
                             QPoint(100, INT_MAX), QPoint(INT_MAX - 200, 10)})
        EXPECT_EQ(StripPosition(far, fallback, strip, screens), fallback) << far.x() << ", " << far.y();
}
