#include "clocks/MainCapital.h"
#include "clocks/TileFont.h"
#include "support/FakeClock.h"
#include "timezones/TimeFormat.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

// Moscow's rule: UTC+3, no daylight time (Bias is minus the offset).
TIME_ZONE_INFORMATION UtcPlus(int hours) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = -60 * hours;
    return zone;
}

class MainCapitalTest : public ::testing::Test {
protected:
    void SetUp() override {
        TimeFormatSettings settings;  // 24-hour clock without a leading zero
        SetCurrentTimeFormatSettings(settings);
        clock.SetUtc("2026-01-15T19:07:30");
    }
    FakeClock clock;
};

constexpr TColor kTokyoColor = 0x0081CED2;

}  // namespace

TEST(TileColor, RedIsTheLowByte) {
    EXPECT_EQ(ColorFromTColor(0x00126137), QColor(0x37, 0x61, 0x12));
    EXPECT_EQ(ColorFromTColor(0x000000FF), QColor(Qt::red));
    EXPECT_EQ(TColorFromQColor(QColor(0xCA, 0xA3, 0x9C)), TColor(0x009CA3CA));
}

TEST_F(MainCapitalTest, TimeTextComesFromTheZoneAndTheInstant) {
    TMainCapital moscow("Moscow", UtcPlus(3), 0);
    TMainCapital alsoMoscow("Москва", UtcPlus(3), 0xFF);
    TMainCapital london("London", TIME_ZONE_INFORMATION{}, 0);
    EXPECT_EQ(moscow.TimeTextAt(clock.UtcNow()), "22:07");
    EXPECT_EQ(london.TimeTextAt(clock.UtcNow()), "19:07");
    // One sample, one zone: one text, whatever the names and colours.
    for (const char* utc : {"2026-01-15T20:59:59.999", "2026-07-01T00:00:00"}) {
        clock.SetUtc(utc);
        const SYSTEMTIME sample = clock.UtcNow();
        EXPECT_EQ(moscow.TimeTextAt(sample), alsoMoscow.TimeTextAt(sample));
    }
    EXPECT_EQ(moscow.TimeTextAt(clock.UtcNow()), "3:00");
}

TEST_F(MainCapitalTest, TileIsMeasuredOnTheSampleText) {
    const QFontMetrics metrics(TileFont());
    const int cell = metrics.horizontalAdvance(QLatin1Char('W'));
    // The stand-in keeps close to the 8 x 15 cell of the font it replaces.
    EXPECT_NEAR(cell, 8, 1);
    EXPECT_NEAR(metrics.height(), 15, 1);
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("Ж")), cell);

    TMainCapital tokyo("Tokyo", UtcPlus(9), kTokyoColor);
    EXPECT_EQ(tokyo.MeasureImage(), QSize(13 * cell, metrics.height() + 2));  // "Tokyo 00:00Wh"
    EXPECT_EQ(tokyo.RenderImage(tokyo.TimeTextAt(clock.UtcNow())).size(), tokyo.MeasureImage());

    // An empty name is measured on " 00:00Wh"; a longer name widens the tile.
    tokyo.SetName("");
    EXPECT_EQ(tokyo.MeasureImage().width(), 8 * cell);
    EXPECT_EQ(tokyo.RenderImage(tokyo.TimeTextAt(clock.UtcNow())).width(), 8 * cell);
    tokyo.Setup("Санкт-Петербург", UtcPlus(3), kTokyoColor);
    EXPECT_EQ(tokyo.RenderImage(tokyo.TimeTextAt(clock.UtcNow())).width(), 23 * cell);
    // Nothing but the name changes the size.
    tokyo.Zone = UtcPlus(-10);
    tokyo.Color = 0;
    EXPECT_EQ(tokyo.RenderImage(tokyo.TimeTextAt(clock.UtcNow())).width(), 23 * cell);
}

TEST_F(MainCapitalTest, TileHasOutlineFillAndCentredTextThatReadsOnItsFill) {
    // Light fills take black text, dark ones white (London's default green among them).
    struct Case {
        TColor color;
        QRgb fill, text;
    };
    for (const Case& c : {Case{kTokyoColor, qRgb(0xD2, 0xCE, 0x81), qRgb(0, 0, 0)},
                          Case{0x00126137, qRgb(0x37, 0x61, 0x12), qRgb(0xFF, 0xFF, 0xFF)},
                          Case{0x008A7F8F, qRgb(0x8F, 0x7F, 0x8A), qRgb(0, 0, 0)},
                          Case{0x00000080, qRgb(0x80, 0, 0), qRgb(0xFF, 0xFF, 0xFF)}}) {
        TMainCapital tokyo("Tokyo", UtcPlus(9), c.color);  // "Tokyo 4:07"
        const QImage image = tokyo.RenderImage(tokyo.TimeTextAt(clock.UtcNow()));
        const int w = image.width();
        const int h = image.height();
        const QRgb black = qRgb(0, 0, 0);
        const QRgb fill = c.fill;
        const QRgb text = c.text;

        for (int x = 0; x < w; ++x) {
            EXPECT_EQ(image.pixel(x, 0), black) << x;
            EXPECT_EQ(image.pixel(x, h - 1), black) << x;
        }
        int left = w, right = -1, top = h, bottom = -1;
        for (int y = 1; y < h - 1; ++y) {
            EXPECT_EQ(image.pixel(0, y), black) << y;
            EXPECT_EQ(image.pixel(w - 1, y), black) << y;
            for (int x = 1; x < w - 1; ++x) {
                const QRgb pixel = image.pixel(x, y);
                ASSERT_TRUE(pixel == fill || pixel == text) << std::hex << c.color << " " << x << "," << y;
                if (pixel == text) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        // "Tokyo 4:07" is ten cells of the thirteen: a cell and a half each side, truncated.
        const int cell = QFontMetrics(TileFont()).horizontalAdvance(QLatin1Char('W'));
        const int x = (w - 10 * cell) / 2;
        EXPECT_GE(left, x);
        EXPECT_LE(left, x + 2);
        EXPECT_GE(right, x + 9 * cell);
        EXPECT_LT(right, x + 10 * cell);
        EXPECT_GE(top, 1);
        EXPECT_LE(bottom, h - 2);
    }
}

TEST_F(MainCapitalTest, TooWideTextIsClippedAtBothEdges) {
    TimeFormatSettings twelveHour;
    twelveHour.twelveHour = true;
    twelveHour.leadingZero = true;
    SetCurrentTimeFormatSettings(twelveHour);
    TMainCapital capital("", UtcPlus(0), 0x00FFFFFF);  // " 07:07 PM": one cell wider
    const QImage image = capital.RenderImage(capital.TimeTextAt(clock.UtcNow()));
    EXPECT_EQ(capital.TimeTextAt(clock.UtcNow()), "07:07 PM");
    EXPECT_EQ(image.size(), capital.MeasureImage());
    // The text's opaque background covers the side outline on its rows.
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, image.height() / 2), qRgb(0xFF, 0xFF, 0xFF));
}
