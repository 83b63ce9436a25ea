#include "minimode/StripLayout.h"

#include <gtest/gtest.h>

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
