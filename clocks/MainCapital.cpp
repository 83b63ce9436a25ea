#include "clocks/MainCapital.h"

#include "clocks/TileFont.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <QDate>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

// 96 dots per inch, so nothing about the tile depends on the screen it ends up on.
constexpr int kDotsPerMeter = 3780;

QImage MakeTileImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    return image;
}

// One channel of an sRGB colour as linear light (0..1).
double LinearChannel(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

QString DayMarker(const TIME_ZONE_INFORMATION& zone, const TIME_ZONE_INFORMATION& reference,
                  const SYSTEMTIME& utc) {
    const auto day = [&](const TIME_ZONE_INFORMATION& z) {
        const SYSTEMTIME local = DecodeDateTime(ZoneNow(z, utc));
        return QDate(local.wYear, local.wMonth, local.wDay).toJulianDay();
    };
    const qint64 days = day(zone) - day(reference);
    if (days == 0) return QString();
    // A real minus sign, as wide as the plus, so both read alike.
    return (days > 0 ? QStringLiteral(" +") : QStringLiteral(" \u2212")) + QString::number(std::abs(days)) +
           QStringLiteral(" д.");
}

QColor TileTextColor(TColor fill) {
    const QColor c = ColorFromTColor(fill);
    const double luminance = 0.2126 * LinearChannel(c.red()) + 0.7152 * LinearChannel(c.green()) +
                             0.0722 * LinearChannel(c.blue());
    // Black and white contrast equally with a fill of luminance 0.179; below it white
    // reads better, above it black: (L + 0.05) / 0.05 against 1.05 / (L + 0.05).
    return luminance < 0.179 ? QColor(Qt::white) : QColor(Qt::black);
}

QColor ColorFromTColor(TColor color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor TColorFromQColor(const QColor& color) {
    return TColor(color.red()) | TColor(color.green()) << 8 | TColor(color.blue()) << 16;
}

TMainCapital::TMainCapital(const QString& name, const TIME_ZONE_INFORMATION& zone, TColor color)
    : image_(MakeTileImage(QSize(1, 1))) {
    Setup(name, zone, color);
}

void TMainCapital::Setup(const QString& name, const TIME_ZONE_INFORMATION& zone, TColor color) {
    Name = name;
    Zone = zone;
    Color = color;
    image_ = MakeTileImage(MeasureImage());
}

void TMainCapital::SetName(const QString& name) {
    Name = name;
    image_ = MakeTileImage(MeasureImage());
}

QString TMainCapital::TimeTextAt(const SYSTEMTIME& utc) const {
    return ZoneTimeText(Zone, utc);
}

TClockFace TMainCapital::FaceAt(const SYSTEMTIME& utc, const TIME_ZONE_INFORMATION& reference) const {
    return {Name, TimeTextAt(utc), DayMarker(Zone, reference, utc)};
}

QSize TMainCapital::MeasureImage(const QString& dayMark) const {
    // The widest two-digit-hour time plus two letters, so the tile fits any time text.
    const QFontMetrics metrics(TileFont(), &image_);
    const QString sample = Name + QStringLiteral(" 00:00") + dayMark + QStringLiteral("Wh");
    return QSize(metrics.horizontalAdvance(sample), metrics.height() + 2);
}

const QImage& TMainCapital::RenderImage(const QString& time, const QString& dayMark) {
    // Resized only when a day mark comes or goes: the time of day alone never does.
    const QSize size = MeasureImage(dayMark);
    if (image_.size() != size) image_ = MakeTileImage(size);
    const int width = image_.width();
    const int height = image_.height();
    const QColor fill = ColorFromTColor(Color);

    QPainter painter(&image_);
    // A one-pixel black outline round a fill of the clock's colour.
    painter.fillRect(image_.rect(), Qt::black);
    painter.fillRect(QRect(1, 1, width - 2, height - 2), fill);

    painter.setFont(TileFont());
    const QFontMetrics metrics(painter.font(), &image_);
    const QString text = Name + QLatin1Char(' ') + time + dayMark;
    const int textWidth = metrics.horizontalAdvance(text);
    const int textHeight = metrics.height();
    // Halvings truncate toward zero; a text wider than the tile is clipped at both edges.
    const int x = (width - textWidth) / 2;
    const int y = (height - textHeight) / 2;
    painter.fillRect(QRect(x, y, textWidth, textHeight), fill);  // opaque text background
    painter.setPen(TileTextColor(Color));
    painter.drawText(x, y + metrics.ascent(), text);
    return image_;
}
