#include "sessions/SessionChart.h"

#include <algorithm>
#include <cstring>

namespace {

int PositiveMod(int value, int modulus) {
    return ((value % modulus) + modulus) % modulus;
}

QImage AsRgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
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

namespace {

// The blend of one pixel with red and blue side by side in one word: each channel's sum
// src * 192 + dest * 63 stays below 65536, and (x + 1 + (x >> 8)) >> 8 divides it by 255
// exactly, so this is BlendChannel on every channel, without a division.
struct TBlendSource {
    quint32 redBlue;  // the source's red and blue, times the alpha
    quint32 green;
};

inline TBlendSource BlendTerms(QRgb src) {
    return {(src & 0x00FF00FFu) * kBlendAlpha, ((src >> 8) & 0xFFu) * kBlendAlpha};
}

inline QRgb BlendPixel(TBlendSource src, QRgb dest) {
    constexpr quint32 keep = 255 - kBlendAlpha;
    const quint32 redBlue = src.redBlue + (dest & 0x00FF00FFu) * keep;
    const quint32 green = src.green + ((dest >> 8) & 0xFFu) * keep;
    const quint32 redBlue255 = ((redBlue + 0x00010001u + ((redBlue >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    const quint32 green255 = (green + 1 + (green >> 8)) >> 8;
    return 0xFF000000u | redBlue255 | (green255 << 8);
}

// Runs of eight pixels the compiler turns into vector code, then the rest one by one.
constexpr int kRun = 8;

void BlendRow(QRgb* __restrict dest, const QRgb* __restrict src, int width) {
    int x = 0;
    for (; x + kRun <= width; x += kRun)
        for (int k = 0; k < kRun; ++k) dest[x + k] = BlendPixel(BlendTerms(src[x + k]), dest[x + k]);
    for (; x < width; ++x) dest[x] = BlendPixel(BlendTerms(src[x]), dest[x]);
}

void BlendRow(QRgb* dest, TBlendSource colour, int width) {
    int x = 0;
    for (; x + kRun <= width; x += kRun)
        for (int k = 0; k < kRun; ++k) dest[x + k] = BlendPixel(colour, dest[x + k]);
    for (; x < width; ++x) dest[x] = BlendPixel(colour, dest[x]);
}

}  // namespace

void BlendImage(QImage& dest, const QRect& destRect, const QImage& src) {
    if (src.isNull() || destRect.isEmpty()) return;
    const QRect clipped = destRect.intersected(dest.rect());
    if (clipped.isEmpty()) return;
    const int width = clipped.width();
    // One colour over the whole rectangle (the hour's yellow pixel, stretched).
    if (src.width() == 1 && src.height() == 1) {
        const TBlendSource colour = BlendTerms(src.pixel(0, 0));
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            BlendRow(reinterpret_cast<QRgb*>(dest.scanLine(y)) + clipped.left(), colour, width);
        }
        return;
    }
    const bool stretched = src.size() != destRect.size();
    if (!stretched) {
        const int left = clipped.left() - destRect.left();
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            const QRgb* srcLine = reinterpret_cast<const QRgb*>(src.constScanLine(y - destRect.top()));
            BlendRow(reinterpret_cast<QRgb*>(dest.scanLine(y)) + clipped.left(), srcLine + left, width);
        }
        return;
    }
    // Nearest-neighbour: the source column of each destination column, worked out once.
    std::vector<int> sourceColumn(size_t(width), 0);
    for (int x = 0; x < width; ++x)
        sourceColumn[size_t(x)] =
            int(qint64(clipped.left() + x - destRect.left()) * src.width() / destRect.width());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        const int sy = int(qint64(y - destRect.top()) * src.height() / destRect.height());
        const QRgb* srcLine = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        QRgb* destLine = reinterpret_cast<QRgb*>(dest.scanLine(y)) + clipped.left();
        for (int x = 0; x < width; ++x)
            destLine[x] = BlendPixel(BlendTerms(srcLine[sourceColumn[size_t(x)]]), destLine[x]);
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

namespace {

// The map's pixels ready to be put into the chart.
class TMapPixels {
public:
    explicit TMapPixels(const QImage& map) : map_(AsRgb32(map)) {}

    // Into the chart's device pixels inside rect, clipped to the chart and the map.
    void CopyInto(QImage& chart, const QRect& rect) const {
        const QRect clipped = rect.intersected(chart.rect()).intersected(map_.rect());
        if (clipped.isEmpty()) return;
        const size_t bytes = size_t(clipped.width()) * sizeof(QRgb);
        for (int y = clipped.top(); y <= clipped.bottom(); ++y)
            std::memcpy(reinterpret_cast<QRgb*>(chart.scanLine(y)) + clipped.left(),
                        reinterpret_cast<const QRgb*>(map_.constScanLine(y)) + clipped.left(), bytes);
    }

private:
    QImage map_;
};

// Where the last composition drew over the map. Outside those rectangles its chart still
// holds the map's pixels, so the next composition into the same chart over the same map
// puts the map back only there, as long as neither image has been written to since:
// every write through QImage changes its cacheKey.
struct TDrawnOverMap {
    qint64 chartKey = 0;
    qint64 mapKey = 0;
    std::vector<QRect> rects;
};

TDrawnOverMap& LastComposition() {
    static TDrawnOverMap last;  // the program composes on its one GUI thread
    return last;
}

}  // namespace

void CopyMap(QImage& chart, const QImage& map) {
    TMapPixels(map).CopyInto(chart, map.rect());
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

void ComposeChart(QImage& chartBitmap, const QImage& mapBitmap, const QImage& hourHighlightPixel,
                  int hourColumn, const std::vector<std::unique_ptr<TExchange>>& sessionList,
                  const std::vector<std::unique_ptr<TIntersection>>& overlapList) {
    if (chartBitmap.isNull()) return;
    if (chartBitmap.format() != QImage::Format_RGB32)
        chartBitmap = chartBitmap.convertToFormat(QImage::Format_RGB32);
    const double hourWidth = ChartHourWidth(chartBitmap);
    const int chartHeight = ChartSize(chartBitmap).height();
    const int h = ChartElementHeight(chartBitmap);
    const double ratio = chartBitmap.devicePixelRatio();
    const auto device = [ratio](int x, int y) {
        return QPoint(DevicePixel(x, ratio), DevicePixel(y, ratio));
    };

    // What this minute draws over the map, in device pixels: the hour column, the bars,
    // the strips.
    const int columnLeft = ColumnLeft(hourColumn, hourWidth);
    const QRect column(device(columnLeft, 0),
                       device(columnLeft + ColumnWidth(hourColumn, hourWidth), chartHeight) - QPoint(1, 1));
    std::vector<QRect> bars, strips;
    const int count = int(sessionList.size());
    for (int g = 0; g < count; ++g) {
        TExchange& element = *sessionList[size_t(g)];
        const QImage& bitmap = element.Bitmap();
        const int top = g <= 3 ? SessionRowTop(g, chartHeight, h) : ExchangeRowTop(g, chartHeight, h);
        bars.emplace_back(device(ElementLeft(element, hourWidth), top), bitmap.size());
    }
    for (size_t g = 0; g < overlapList.size(); ++g) {
        TIntersection& overlap = *overlapList[g];
        strips.emplace_back(device(ElementLeft(overlap, hourWidth), OverlapRowTop(int(g), chartHeight, h)),
                            overlap.Bitmap().size());
    }
    std::vector<QRect> drawn = bars;
    drawn.push_back(column);
    drawn.insert(drawn.end(), strips.begin(), strips.end());

    // The map erases the previous minute's drawing: where it was drawn, when the chart
    // is known to hold the map everywhere else, or all over.
    TDrawnOverMap& last = LastComposition();
    const TMapPixels map(mapBitmap);
    if (mapBitmap.size() == chartBitmap.size() && last.chartKey != 0 &&
        last.chartKey == chartBitmap.cacheKey() && last.mapKey == mapBitmap.cacheKey()) {
        for (const QRect& rect : last.rects) map.CopyInto(chartBitmap, rect);
        if (last.rects != drawn)
            for (const QRect& rect : drawn) map.CopyInto(chartBitmap, rect);
    } else {
        if (mapBitmap.size() != chartBitmap.size()) chartBitmap.fill(Qt::black);
        map.CopyInto(chartBitmap, chartBitmap.rect());
    }

    BlendImage(chartBitmap, column, AsRgb32(hourHighlightPixel));
    for (int g = 0; g < count; ++g)
        BlendImage(chartBitmap, bars[size_t(g)], sessionList[size_t(g)]->Bitmap());
    // The strips go on last and opaque, over the bars they join.
    for (size_t g = 0; g < overlapList.size(); ++g)
        CopyImage(chartBitmap, strips[g].left(), strips[g].top(), overlapList[g]->Bitmap());

    last = {chartBitmap.cacheKey(), mapBitmap.cacheKey(), std::move(drawn)};
}
