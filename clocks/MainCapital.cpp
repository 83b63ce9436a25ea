#include "clocks/MainCapital.h"

#include "clocks/TileFont.h"
#include "platform/Clock.h"
#include "timezones/TimeFormat.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace {

// 96 dots per inch, so nothing about the tile depends on the screen it ends up on.
constexpr int kDotsPerMeter = 3780;

QImage MakeTileImage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    return image;
}

QColor TextColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

}  // namespace

QColor ColorFromTColor(TColor color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor TColorFromQColor(const QColor& color) {
    return TColor(color.red()) | TColor(color.green()) << 8 | TColor(color.blue()) << 16;
}

TMainCapital::TMainCapital(const IClock& clock, const QString& name,
                           const TIME_ZONE_INFORMATION& zone, TColor color)
    : clock_(clock), image_(MakeTileImage(QSize(1, 1))) {
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

QString TMainCapital::TimeTextAt(const SYSTEMTIME& utc) const { return ZoneTimeText(Zone, utc); }

QString TMainCapital::CurrentTimeText() const { return TimeTextAt(clock_.UtcNow()); }

QSize TMainCapital::MeasureImage() const {
    // The widest two-digit-hour time plus two letters, so the tile fits any time text.
    const QFontMetrics metrics(TileFont(), &image_);
    const QString sample = Name + QStringLiteral(" 00:00") + QStringLiteral("Wh");
    return QSize(metrics.horizontalAdvance(sample), metrics.height() + 2);
}

const QImage& TMainCapital::RenderImage() {
    const int width = image_.width();
    const int height = image_.height();
    const QColor fill = ColorFromTColor(Color);

    QPainter painter(&image_);
    // A one-pixel black outline round a fill of the clock's colour.
    painter.fillRect(image_.rect(), Qt::black);
    painter.fillRect(QRect(1, 1, width - 2, height - 2), fill);

    painter.setFont(TileFont());
    const QFontMetrics metrics(painter.font(), &image_);
    const QString text = Name + QLatin1Char(' ') + CurrentTimeText();
    const int textWidth = metrics.horizontalAdvance(text);
    const int textHeight = metrics.height();
    // Halvings truncate toward zero; a text wider than the tile is clipped at both edges.
    const int x = (width - textWidth) / 2;
    const int y = (height - textHeight) / 2;
    painter.fillRect(QRect(x, y, textWidth, textHeight), fill);  // opaque text background
    painter.setPen(TextColor());
    painter.drawText(x, y + metrics.ascent(), text);
    return image_;
}
