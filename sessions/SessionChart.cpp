#include "sessions/SessionChart.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace {

int PositiveMod(int value, int modulus) {
    return ((value % modulus) + modulus) % modulus;
}

QImage AsRgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32
               ? image
               : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QSize ChartSize(const QImage& chart) {
    return chart.deviceIndependentSize().toSize();
}

double ChartHourWidth(const QImage& chart) {
    return ChartSize(chart).width() / 24.0;
}

int ChartElementHeight(const QImage& chart) {
    return ChartSize(chart).height() / 12;
}

int ColumnLeft(int a, double hourWidth) {
    return R(a * hourWidth);
}

int ColumnWidth(int a, double hourWidth) {
    return R((a + 1) * hourWidth) - R(a * hourWidth);
}

int ElementLeft(const TBaseElement& element, double hourWidth) {
    // The hour before the close (23 for 24:00, 14 for 15:45); a close at 0:00 counts
    // as the end of the day.
    const qint64 lastHourMs = ToMs(element.CloseTime()) - kMsPerHour;
    const int h = int(((lastHourMs % kMsPerDay) + kMsPerDay) % kMsPerDay / kMsPerHour);
    return ColumnLeft(23 - h, hourWidth);
}

int SessionRowTop(int g, int chartHeight, int elementHeight) {
    return chartHeight + elementHeight / 2 - (2 * g + 2) * elementHeight;
}

int OverlapRowTop(int g, int chartHeight, int elementHeight) {
    return chartHeight + elementHeight / 2 - (2 * g + 3) * elementHeight;
}

int ExchangeRowTop(int g, int chartHeight, int elementHeight) {
    const int half = elementHeight / 2;
    return chartHeight - (7 * elementHeight + half + (elementHeight + half) * (g - 3));
}

int HourColumn(int d, int referenceHour) {
    return PositiveMod(d - referenceHour + 47, 24);
}

QRect HourPanelPlace(int i, int d, double hourWidth) {
    const int a = PositiveMod(d - i + 47, 24);
    return QRect(ColumnLeft(a, hourWidth), 0, ColumnWidth(a, hourWidth), 0);
}

int HighlightIndex(int referenceHour) {
    return referenceHour == 0 ? 24 : referenceHour;
}

void BlendImage(QImage& dest, const QRect& destRect, const QImage& src) {
    if (src.isNull() || destRect.isEmpty()) return;
    const QRect clipped = destRect.intersected(dest.rect());
    if (clipped.isEmpty()) return;
    const bool stretched = src.size() != destRect.size();
    const int width = clipped.width();
    // Where each column comes from, worked out once rather than on every row.
    QVarLengthArray<int, 512> sourceColumn(stretched ? width : 0);
    for (int i = 0; i < sourceColumn.size(); ++i)
        sourceColumn[i] = int(qint64(clipped.left() + i - destRect.left()) * src.width() / destRect.width());
    const int firstColumn = clipped.left() - destRect.left();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const int sy = stretched ? int(qint64(y - destRect.top()) * src.height() / destRect.height())
                                 : y - destRect.top();
        const QRgb* srcLine = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        QRgb* destLine = reinterpret_cast<QRgb*>(dest.scanLine(y)) + clipped.left();
        if (stretched) {
            for (int i = 0; i < width; ++i) destLine[i] = BlendPixel(srcLine[sourceColumn[i]], destLine[i]);
        } else {
            srcLine += firstColumn;
            for (int i = 0; i < width; ++i) destLine[i] = BlendPixel(srcLine[i], destLine[i]);
        }
    }
}

void CopyImage(QImage& dest, int left, int top, const QImage& src) {
    if (src.isNull()) return;
    const QRect clipped = QRect(left, top, src.width(), src.height()).intersected(dest.rect());
    if (clipped.isEmpty()) return;
    const size_t bytes = size_t(clipped.width()) * sizeof(QRgb);
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const QRgb* srcLine = reinterpret_cast<const QRgb*>(src.constScanLine(y - top));
        QRgb* destLine = reinterpret_cast<QRgb*>(dest.scanLine(y));
        std::memcpy(destLine + clipped.left(), srcLine + (clipped.left() - left), bytes);
    }
}

QImage MakeHourHighlightPixel() {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.setPixel(0, 0, qRgb(0xFF, 0xFF, 0x00));
    return pixel;
}

QImage MakeChartBitmap(int width, int height, double pixelRatio) {
    QImage chart(DevicePixel(width, pixelRatio), DevicePixel(height, pixelRatio), QImage::Format_RGB32);
    chart.setDevicePixelRatio(pixelRatio);
    chart.fill(Qt::black);
    return chart;
}

void ComposeChart(QImage& chartBitmap, const QImage& mapBitmap,
                  const QImage& hourHighlightPixel, int hourColumn,
                  const std::vector<std::unique_ptr<TExchange>>& sessionList,
                  const std::vector<std::unique_ptr<TIntersection>>& overlapList) {
    if (chartBitmap.isNull()) return;
    if (chartBitmap.format() != QImage::Format_RGB32)
        chartBitmap = chartBitmap.convertToFormat(QImage::Format_RGB32);
    const double hourWidth = ChartHourWidth(chartBitmap);
    const int chartHeight = ChartSize(chartBitmap).height();
    const int h = ChartElementHeight(chartBitmap);
    const double ratio = chartBitmap.devicePixelRatio();
    const auto device = [ratio](int x, int y) { return QPoint(DevicePixel(x, ratio), DevicePixel(y, ratio)); };

    // The map erases the previous minute's drawing.
    if (mapBitmap.size() != chartBitmap.size()) chartBitmap.fill(Qt::black);
    CopyImage(chartBitmap, 0, 0, AsRgb32(mapBitmap));

    const int columnLeft = ColumnLeft(hourColumn, hourWidth);
    BlendImage(chartBitmap,
               QRect(device(columnLeft, 0),
                     device(columnLeft + ColumnWidth(hourColumn, hourWidth), chartHeight) - QPoint(1, 1)),
               AsRgb32(hourHighlightPixel));

    const int count = int(sessionList.size());
    for (int g = 0; g < count; ++g) {
        TExchange& element = *sessionList[size_t(g)];
        const QImage& bitmap = element.GetBitmap();
        const int top = g <= 3 ? SessionRowTop(g, chartHeight, h) : ExchangeRowTop(g, chartHeight, h);
        BlendImage(chartBitmap, QRect(device(ElementLeft(element, hourWidth), top), bitmap.size()), bitmap);
    }
    // The strips go on last and opaque, over the bars they join.
    for (size_t g = 0; g < overlapList.size(); ++g) {
        TIntersection& overlap = *overlapList[g];
        const QImage& bitmap = overlap.GetBitmap();
        const QPoint at = device(ElementLeft(overlap, hourWidth), OverlapRowTop(int(g), chartHeight, h));
        CopyImage(chartBitmap, at.x(), at.y(), bitmap);
    }
}
