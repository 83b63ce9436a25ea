#include "sessions/Exchange.h"

#include "timezones/TimeFormat.h"

#include <QPainter>

namespace {

const QColor kGreen(0x00, 0x80, 0x00);
const QColor kGray(0x80, 0x80, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);

}  // namespace

TExchange::TExchange(const TExchangeParams& params, const TIME_ZONE_INFORMATION& chartZone)
    : TBaseElement({params.HourWidth, params.Height, params.PixelRatio}, chartZone, params.Days),
      name_(params.Name) {
    SetHours(params.OpenTime, params.CloseTime);
    if (params.Sessions) SetSchedule(*params.Sessions);
    // Only whole hours are drawn: a session of 6 h 45 min is six hours wide.
    SizeBitmap(RoundHalfEven(WholeHours(closeTime_ - openTime_) * HourWidth()));
}

QString TExchange::TitleText() const {
    const QString format = ClockTimeFormat();
    return name_ + QStringLiteral(" (") + FormatDateTime(format, openTime_) + QStringLiteral(" - ") +
           FormatDateTime(format, closeTime_) + QStringLiteral(")");
}

QString TExchange::CountdownText(qint64 utcMs) const {
    const QString prefix =
        IsActiveAt(utcMs) ? QStringLiteral("до закрытия ") : QStringLiteral("до открытия ");
    return prefix + ::CountdownText(TimeUntilChangeAt(utcMs));
}

const QImage& TExchange::Render(qint64 utcMs) {
    if (bitmap_.isNull()) return bitmap_;
    const bool active = IsActiveAt(utcMs);
    const QColor fill = active ? kGreen : QColor(Qt::white);
    const QColor border = active ? kGreen : kGray;
    const int w = Width();
    const int h = Height();

    QPainter painter(&bitmap_);
    painter.fillRect(0, 0, w, h, border);
    if (w > 2 && h > 2) painter.fillRect(1, 1, w - 2, h - 2, fill);

    const int titleHeight = h / 2;
    painter.setFont(CellHeightFont(titleHeight, true));
    const QString title = TitleText();
    // A title wider than the bar gets a negative left edge and is clipped on both sides.
    DrawTextAt(painter, (w - SteadyTextWidth(painter, title)) / 2, titleHeight / 8, title,
               active ? QColor(Qt::white) : QColor(Qt::black), fill);

    painter.setFont(CellHeightFont(h / 3, false));
    const QString countdown = CountdownText(utcMs);
    DrawTextAt(painter, (w - painter.fontMetrics().horizontalAdvance(countdown)) / 2, h * 7 / 12, countdown,
               active ? QColor(Qt::black) : kRed, fill);
    return bitmap_;
}
