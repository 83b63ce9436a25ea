#include "sessions/BaseElement.h"

#include "platform/Clock.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>

TBaseElement::TBaseElement(const TElementGeometry& geometry, const TIME_ZONE_INFORMATION& chartZone,
                           TTradingDays days)
    : chartZone_(chartZone),
      days_(std::move(days)),
      hourWidth_(geometry.HourWidth),
      height_(geometry.Height),
      pixelRatio_(geometry.PixelRatio > 0 ? geometry.PixelRatio : 1.0) {}

void TBaseElement::SetHours(TDateTime openTime, TDateTime closeTime) {
    openTime_ = openTime;
    closeTime_ = closeTime;
    schedule_ = TSessionSchedule(openTime, closeTime, chartZone_, days_);
    stateFromMs_ = kNeverMs;
}

void TBaseElement::SetSchedule(const TSessionSchedule& schedule) {
    schedule_ = schedule;
    stateFromMs_ = kNeverMs;
}

const TSessionSchedule::TState& TBaseElement::StateAt(qint64 utcMs) const {
    if (utcMs < stateFromMs_ || utcMs >= state_.UntilMs) {
        state_ = schedule_.StateAt(utcMs);
        stateFromMs_ = utcMs;
    }
    return state_;
}

qint64 TBaseElement::TimeUntilChangeAt(qint64 utcMs) const {
    // Counted from the whole minute, as the clocks show it.
    const qint64 until = StateAt(utcMs).UntilMs;
    return until == kNeverMs ? 0 : until - WholeMinuteMs(utcMs);
}

const QImage& TBaseElement::GetBitmap(qint64 utcMs) {
    const qint64 minute = WholeMinuteMs(utcMs);
    if (minute == paintedMinuteMs_) return bitmap_;
    paintedMinuteMs_ = minute;
    return Render(utcMs);
}

void TBaseElement::SizeBitmap(int width) {
    if (width <= 0 || height_ <= 0) {
        width_ = 0;
        bitmap_ = QImage();  // nothing to show; painting and composing skip it
        return;
    }
    width_ = width;
    // Painted in chart pixels, held in device pixels.
    bitmap_ =
        QImage(DevicePixel(width, pixelRatio_), DevicePixel(height_, pixelRatio_), QImage::Format_RGB32);
    bitmap_.setDevicePixelRatio(pixelRatio_);
    bitmap_.fill(Qt::white);
}

qint64 ToMs(TDateTime value) {
    return std::llround(value * double(kMsPerDay));
}

int RoundHalfEven(double x) {
    const double down = std::floor(x);
    const double diff = x - down;
    if (diff > 0.5) return int(down) + 1;
    if (diff < 0.5) return int(down);
    return std::fmod(down, 2.0) == 0 ? int(down) : int(down) + 1;
}

int RoundHalfAway(double x) {
    return int(std::round(x));
}

int WholeHours(TDateTime span) {
    const qint64 ms = ToMs(span);
    return ms <= 0 ? 0 : int(ms / kMsPerHour);
}

namespace {

// The pixel size whose line height (height(px)) comes nearest to the cell's. A font's line
// height grows in proportion to its pixel size: one measurement gives the estimate, and
// only its neighbours are tried.
template <class Height>
int NearestPixelSize(int cellHeight, const Height& height) {
    const int cell = std::max(1, cellHeight);
    const double ratio = std::max(0.1, height(cell) / cell);
    const int estimate = std::max(1, int(std::lround(cell / ratio)));
    int best = estimate;
    double bestError = 1e9;
    for (int px = std::max(1, estimate - 1); px <= estimate + 1; ++px) {
        const double error = std::abs(height(px) - cellHeight);
        if (error < bestError) {
            bestError = error;
            best = px;
        }
    }
    return best;
}

}  // namespace

QFont CellHeightFont(int cellHeight, bool bold) {
    static QHash<int, int> pixelSizes;  // key: cell height * 2 + bold
    const int key = cellHeight * 2 + (bold ? 1 : 0);
    QFont font(QStringLiteral("Arial"));
    font.setBold(bold);
    auto found = pixelSizes.constFind(key);
    if (found == pixelSizes.cend()) found = pixelSizes.insert(key, CellHeightPixelSize(font, cellHeight));
    font.setPixelSize(*found);
    return font;
}

int CellHeightPixelSize(const QFont& face, int cellHeight) {
    // The sizes are tried on the face the font database gives at the cell's size,
    // resized: a new size of a loaded face needs no font matching, where each size asked
    // of the font database is matched anew, which took longer than drawing the chart.
    QFont font(face);
    font.setPixelSize(std::max(1, cellHeight));
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid()) return CellHeightPixelSizeMeasured(face, cellHeight);
    return NearestPixelSize(cellHeight, [&raw](int px) {
        raw.setPixelSize(px);
        return raw.ascent() + raw.descent();
    });
}

int CellHeightPixelSizeMeasured(const QFont& face, int cellHeight) {
    QFont font(face);
    return NearestPixelSize(cellHeight, [&font](int px) {
        font.setPixelSize(px);
        return QFontMetricsF(font).height();
    });
}

int SteadyTextWidth(const QPainter& painter, const QString& text) {
    static QHash<QString, int> widths;  // key: the font's key and the text
    const QString key = painter.font().key() + QChar(u'\n') + text;
    const auto found = widths.constFind(key);
    if (found != widths.cend()) return *found;
    if (widths.size() > 256) widths.clear();  // texts gone with an old day or setting
    return widths[key] = painter.fontMetrics().horizontalAdvance(text);
}

void DrawTextAt(QPainter& painter, int left, int top, const QString& text, const QColor& colour,
                const QColor& background) {
    painter.setPen(colour);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(background);
    painter.drawText(left, top + painter.fontMetrics().ascent(), text);
}
