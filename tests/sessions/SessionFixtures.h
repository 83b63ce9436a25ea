#pragma once
// Zone records and a clock for the session tests. The computer's own zone is put nine
// hours ahead of UTC, far from the chart zone, so nothing can pass by reading it.

#include "support/FakeClock.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline TIME_ZONE_INFORMATION NorthAmericanZone(int bias) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = bias;
    zone.DaylightBias = -60;
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};  // second Sunday of March
    zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};  // first Sunday of November
    return zone;
}
inline TIME_ZONE_INFORMATION EasternZone() {
    return NorthAmericanZone(300);
}
inline TIME_ZONE_INFORMATION CentralZone() {
    return NorthAmericanZone(360);
}
inline TIME_ZONE_INFORMATION MoscowZone() {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = -180;
    return zone;
}
inline TIME_ZONE_INFORMATION TestChartZone() {
    return MakeChartZone(EasternZone());
}

constexpr int kComputerOffsetMinutes = 9 * 60;

// A clock at chart-zone time hh:mm:ss.ms on 15 January 2026 (the chart zone at UTC+2).
inline void SetChartTime(FakeClock& clock, int hour, int minute, int second = 0, int ms = 0) {
    const qint64 midnightUtc = 1'768'435'200'000;  // 2026-01-15T00:00:00Z
    clock.SetUtcMs(midnightUtc - 2 * 3'600'000 + qint64(hour) * 3'600'000 + qint64(minute) * 60'000 +
                   second * 1'000 + ms);
    clock.SetLocalOffsetMinutes(kComputerOffsetMinutes);
}

// 24-hour clock without a leading zero: "9:05".
inline void UseTwentyFourHourClock() {
    SetCurrentTimeFormatSettings(TimeFormatSettings{});
}

// Whether the text in rows top..bottom of an element's bitmap (inside its frame), drawn
// on fill, has the colour ink: the pixel farthest from the fill, which the glyphs' stems
// cover (nearly) whole, is ink give or take the smoothing of small type.
inline ::testing::AssertionResult InkIs(const QImage& bitmap, int top, int bottom, QRgb fill, QRgb ink) {
    const auto distance = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    };
    QRgb farthest = fill;
    for (int y = top; y <= bottom; ++y)
        for (int x = 1; x < bitmap.width() - 1; ++x)
            if (distance(bitmap.pixel(x, y), fill) > distance(farthest, fill)) farthest = bitmap.pixel(x, y);
    if (distance(farthest, ink) < 64) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the text is " << qPrintable(QColor(farthest).name()) << ", not "
                                         << qPrintable(QColor(ink).name());
}
