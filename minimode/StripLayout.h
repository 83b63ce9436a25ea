#pragma once
// The arithmetic of the mini strip: where the five tiles go, how wide the strip is,
// how it stays centred when its width changes, and where it appears by default.

#include <QPoint>
#include <QList>
#include <QRect>
#include <QSize>

#include <array>

constexpr int StripTileCount = 5;

struct TStripLayout {
    // x of each tile in the strip picture; each tile covers the previous tile's
    // right frame column with its own left one.
    std::array<int, StripTileCount> TileLefts{};
    int Width = 0;
};

TStripLayout LayoutStrip(const std::array<int, StripTileCount>& tileWidths);

// New left edge of a window whose width changes from oldWidth to newWidth so that it
// grows or shrinks about its centre; the halving truncates toward zero.
int CentredLeft(int left, int oldWidth, int newWidth);

// Default strip position: centred horizontally at the top edge of the monitor.
QPoint DefaultStripPosition(const QRect& monitor, int stripWidth);

// Where the strip goes: the stored position, unless the strip would lie there on no
// screen at all (a monitor since unplugged), in which case the default.
QPoint StripPosition(const QPoint& stored, const QPoint& fallback, const QSize& strip,
                     const QList<QRect>& screens);
