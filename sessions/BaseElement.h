#pragma once
// A bar of the session chart: a span of the day in the chart zone on the days it trades,
// whether it is open at an instant and for how long, and its own bitmap that it repaints
// at most once per minute. It never reads the clock: every question comes with the
// instant it is asked for, the one the whole minute is drawn from.

#include "sessions/TradingWeek.h"
#include "timezones/ZoneRecord.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>

class QPainter;

// A chart position in device pixels.
inline int DevicePixel(int chartPixel, double ratio) {
    return qRound(chartPixel * ratio);
}

struct TElementGeometry {
    double HourWidth = 0;  // pixels per hour on the chart
    int32_t Height = 0;  // height of an element's bitmap
    // Device pixels per pixel of the chart: the bitmap holds that many more in each
    // direction and its text is drawn at that resolution (sizes stay in chart pixels).
    double PixelRatio = 1.0;
};

class TBaseElement {
public:
    TBaseElement(const TElementGeometry& geometry, const TIME_ZONE_INFORMATION& chartZone,
                 TTradingDays days = {});
    virtual ~TBaseElement() = default;
    TBaseElement(const TBaseElement&) = delete;
    TBaseElement& operator=(const TBaseElement&) = delete;

    // Open when OpenTime <= utcMs < CloseTime (to the millisecond) in the chart zone, on
    // a day it trades.
    bool IsActiveAt(qint64 utcMs) const { return StateAt(utcMs).Open; }
    // From utcMs's whole minute to the next closing while open, else to the next opening
    // (after a weekend, the first one after it), in milliseconds.
    qint64 TimeUntilChangeAt(qint64 utcMs) const;
    const TSessionSchedule& Schedule() const { return schedule_; }
    const TTradingDays& Days() const { return days_; }
    // The bitmap for utcMs's minute, repainted only when that minute (date included) is
    // not the one it was last painted for. Its pixels are device pixels; Width() x
    // Height() chart pixels.
    const QImage& GetBitmap(qint64 utcMs);
    // Paints Bitmap for the instant and returns it.
    virtual const QImage& Render(qint64 utcMs) = 0;

    TDateTime OpenTime() const { return openTime_; }
    TDateTime CloseTime() const { return closeTime_; }
    // The whole minute (milliseconds since 1970) Bitmap was last painted for.
    qint64 PaintedMinuteMs() const { return paintedMinuteMs_; }
    double HourWidth() const { return hourWidth_; }
    int32_t Height() const { return height_; }
    int Width() const { return width_; }  // of the bitmap, in chart pixels
    double PixelRatio() const { return pixelRatio_; }
    const QImage& Bitmap() const { return bitmap_; }

protected:
    // Sets the hours the subclass works out (times of day in the chart zone), which it
    // trades on its days unless SetSchedule says otherwise.
    void SetHours(TDateTime openTime, TDateTime closeTime);
    void SetSchedule(const TSessionSchedule& schedule);
    // A W x H bitmap (chart pixels) for whole hours x HourWidth; never negative, empty
    // for zero hours.
    void SizeBitmap(int width);

    TDateTime openTime_ = 0;
    TDateTime closeTime_ = 0;
    QImage bitmap_;

private:
    // The state holds from the instant it was worked out until it ends, so it is worked
    // out again only then (or when the clock is set back).
    const TSessionSchedule::TState& StateAt(qint64 utcMs) const;

    TIME_ZONE_INFORMATION chartZone_;  // a copy: zone records are values
    TTradingDays days_;
    TSessionSchedule schedule_;
    mutable TSessionSchedule::TState state_;
    mutable qint64 stateFromMs_ = kNeverMs;
    qint64 paintedMinuteMs_ = kNeverMs;
    double hourWidth_;
    int32_t height_;
    int width_ = 0;
    double pixelRatio_;
};

// --- helpers shared by the elements ---

// A time of day or span as whole milliseconds (times within half a millisecond agree).
qint64 ToMs(TDateTime value);
// Pixel positions round half to even; overlap widths round half away from zero.
int RoundHalfEven(double x);
int RoundHalfAway(double x);
// The whole hours of a span, never negative (6 h 30 min counts as 6).
int WholeHours(TDateTime span);

// The chart's lettering: face "Arial" with a Windows-style cell height (ascent plus
// descent) in pixels. Qt sizes fonts by their em, so the pixel size is the one whose
// unrounded ascent plus descent (QFontMetricsF::height()) comes nearest to the cell
// height: 16, 11 and 8 px for cells of 18, 12 and 9 with Liberation Sans, which
// fontconfig gives for Arial, as GDI would size Arial itself.
QFont CellHeightFont(int cellHeight, bool bold);
// The pixel size CellHeightFont gives the face: measured on resized copies of the face
// loaded once, and as the font database measures each size (the slow way, which it
// falls back on for a face that cannot be resized).
int CellHeightPixelSize(const QFont& face, int cellHeight);
int CellHeightPixelSizeMeasured(const QFont& face, int cellHeight);

// The width the painter's font gives a text that comes back minute after minute (a
// title, a caption): each is shaped once, not at every repaint.
int SteadyTextWidth(const QPainter& painter, const QString& text);

// Draws text with its top-left corner at (left, top), opaque on background.
void DrawTextAt(QPainter& painter, int left, int top, const QString& text, const QColor& colour,
                const QColor& background);
