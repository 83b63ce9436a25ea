#include "sessions/Intersection.h"

#include "sessions/Exchange.h"
#include "timezones/TimeFormat.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

const QColor kAmber(0xF8, 0xC3, 0x00);
const QColor kCream(0xFF, 0xFB, 0xF0);

// Top of a line of text whose middle lies at y.
int CentredTop(int y, const QFontMetrics& metrics) {
    return y - metrics.height() / 2;
}

}  // namespace

TIntersection::TIntersection(const TExchange& earlier, const TExchange& later,
                             const TElementGeometry& geometry, const TIME_ZONE_INFORMATION& chartZone)
    : TBaseElement(geometry, chartZone, later.Days()) {
    const TDateTime open = later.OpenTime();
    // Sessions that do not overlap would give a negative span: close it at the opening.
    SetHours(open, std::max(open, std::min(earlier.CloseTime(), later.CloseTime())));
    SizeBitmap(RoundHalfAway(WholeHours(closeTime_ - openTime_) * HourWidth()));
}

bool TIntersection::TwoLineLabel(int width, int height) {
    static QHash<int, int> labelWidths;  // key: the strip's height
    auto found = labelWidths.constFind(height);
    if (found == labelWidths.cend())
        found = labelWidths.insert(
            height,
            QFontMetrics(CellHeightFont(height / 3, false)).horizontalAdvance(QStringLiteral("Общее время")));
    return width < *found;
}

QString TIntersection::ValueText(qint64 utcMs) const {
    return DurationText(IsActiveAt(utcMs) ? TimeUntilChangeAt(utcMs) : ToMs(closeTime_) - ToMs(openTime_));
}

const QImage& TIntersection::Render(qint64 utcMs) {
    if (bitmap_.isNull()) return bitmap_;
    const QColor fill = IsActiveAt(utcMs) ? kAmber : kCream;
    const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
    const int w = Width();
    const int h = Height();

    QPainter painter(&bitmap_);
    painter.fillRect(0, 0, w, h, fill);

    const QString label = QStringLiteral("Общее время");
    painter.setFont(CellHeightFont(h / 3, false));
    const bool twoLines = TwoLineLabel(w, h);
    int valueMiddle = h * 3 / 4;
    if (twoLines) {
        painter.setFont(CellHeightFont(h / 4, false));
        const QFontMetrics metrics = painter.fontMetrics();
        const QString first = QStringLiteral("Общее");
        const QString second = QStringLiteral("время");
        DrawTextAt(painter, (w - SteadyTextWidth(painter, first)) / 2, CentredTop(h / 6, metrics), first,
                   text, fill);
        DrawTextAt(painter, (w - SteadyTextWidth(painter, second)) / 2, CentredTop(h / 2, metrics), second,
                   text, fill);
        valueMiddle = h * 5 / 6;
    } else {
        const QFontMetrics metrics = painter.fontMetrics();
        DrawTextAt(painter, (w - SteadyTextWidth(painter, label)) / 2, CentredTop(h / 4, metrics), label,
                   text, fill);
    }
    const QString value = ValueText(utcMs);
    const QFontMetrics metrics = painter.fontMetrics();
    DrawTextAt(painter, (w - metrics.horizontalAdvance(value)) / 2, CentredTop(valueMiddle, metrics), value,
               text, fill);
    return bitmap_;
}
