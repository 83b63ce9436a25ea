#pragma once
// Geometry and composition of the session chart: the world map, a translucent yellow
// column over the current chart-zone hour, the bars blended over both and the overlap
// strips copied on top. The time axis runs right to left: column 0 is the hour that
// begins at 23:00, column 23 the hour from 0:00, so 0:00 is the right edge.
// Geometry is in chart pixels (900 x 447); the images hold device pixels, as many more
// as the screen's device pixel ratio, so that a high-density screen shows every one.

#include "sessions/Exchange.h"
#include "sessions/Intersection.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

constexpr int kChartWidth = 900;
constexpr int kChartHeight = 447;
constexpr int kBlendAlpha = 192;

// Chart positions round to the nearest pixel, ties to even (562.5 gives 562).
inline int R(double x) {
    return RoundHalfEven(x);
}

QSize ChartSize(const QImage& chart);  // in chart pixels
double ChartHourWidth(const QImage& chart);  // width / 24
int ChartElementHeight(const QImage& chart);  // height div 12

// Column a (0..23) runs from R(a * hourWidth) to R((a + 1) * hourWidth).
int ColumnLeft(int a, double hourWidth);
int ColumnWidth(int a, double hourWidth);

// Left edge of an element: the column of its last hour, the hour before CloseTime.
int ElementLeft(const TBaseElement& element, double hourWidth);

// Row tops in a chart of height chartHeight with elements elementHeight high.
int SessionRowTop(int g, int chartHeight, int elementHeight);  // g = 0..3
int OverlapRowTop(int g, int chartHeight, int elementHeight);  // g = 0..2
int ExchangeRowTop(int g, int chartHeight, int elementHeight);  // g = 4..6

// The chart column of reference hour h when the reference zone is d hours ahead of
// the chart zone: the column under which HighlightIndex(h)'s panel lies.
int HourColumn(int d, int referenceHour);
// Left and width of hour panel i (1..24) for a reference zone d hours ahead.
QRect HourPanelPlace(int i, int d, double hourWidth);
// The hour panel (1..24) of reference hour 0..23; panel 24 stands for 0:00.
int HighlightIndex(int referenceHour);

// Constant-alpha blend per colour channel: dest := (src * 192 + dest * 63) / 255.
inline uint8_t BlendChannel(int src, int dest) {
    return uint8_t((src * kBlendAlpha + dest * (255 - kBlendAlpha)) / 255);
}
// Blends src over destRect of dest, stretching it nearest-neighbour when the sizes
// differ; whatever falls outside dest is clipped. Both images are Format_RGB32.
void BlendImage(QImage& dest, const QRect& destRect, const QImage& src);
// Copies src opaquely with its top-left corner at (left, top), clipped to dest.
void CopyImage(QImage& dest, int left, int top, const QImage& src);
// Copies the map opaquely into the chart's top-left corner, clipped to it.
void CopyMap(QImage& chart, const QImage& map);

QImage MakeHourHighlightPixel();  // 1 x 1 yellow
// width x height chart pixels at the device pixel ratio, black.
QImage MakeChartBitmap(int width = kChartWidth, int height = kChartHeight, double pixelRatio = 1.0);

// Composes the chart into chartBitmap (Format_RGB32): the map copied opaquely (CopyMap;
// what it does not cover stays black), the yellow pixel blended over column hourColumn, the
// sessions (items 0..3) and exchanges (4..) blended at their rows, the overlaps copied.
// The elements' bitmaps are composed as they were last painted (PaintElementsFor). The
// map and the elements' bitmaps are drawn for the chart's device pixel ratio; each
// lands unscaled at its place, and the blend works on every device pixel.
void ComposeChart(QImage& chartBitmap, const QImage& mapBitmap, const QImage& hourHighlightPixel,
                  int hourColumn, const std::vector<std::unique_ptr<TExchange>>& sessionList,
                  const std::vector<std::unique_ptr<TIntersection>>& overlapList);
