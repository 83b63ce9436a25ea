#include "minimode/StripLayout.h"

TStripLayout LayoutStrip(const std::array<int, StripTileCount>& tileWidths) {
    TStripLayout layout;
    int x = 0;
    for (int i = 0; i < StripTileCount; ++i) {
        layout.TileLefts[i] = x;
        x += tileWidths[i] - 1;
    }
    // The last tile keeps its right frame column: undo its one-pixel overlap.
    layout.Width = x + 1;
    return layout;
}

int CentredLeft(int left, int oldWidth, int newWidth) {
    // C++ integer division truncates toward zero: 446 -> 445 keeps the left edge.
    return left - (newWidth - oldWidth) / 2;
}

QPoint DefaultStripPosition(const QRect& monitor, int stripWidth) {
    // QRect::right() is the last pixel column; the monitor's exclusive right edge is
    // left + width. Centring within the monitor keeps the strip on a monitor that does
    // not start at x = 0.
    return QPoint(monitor.left() + (monitor.width() - stripWidth) / 2, monitor.top());
}

namespace {

// Whether [start, start + length) and [otherStart, otherStart + otherLength) share a
// pixel. In 64 bits: a stored position may be anything a 32-bit key holds, and QRect's
// own arithmetic overflows at the ends of that range.
bool SpansMeet(qint64 start, qint64 length, qint64 otherStart, qint64 otherLength) {
    return length > 0 && otherLength > 0 && start < otherStart + otherLength && otherStart < start + length;
}

}  // namespace

QPoint StripPosition(const QPoint& stored, const QPoint& fallback, const QSize& strip,
                     const QList<QRect>& screens) {
    for (const QRect& screen : screens)
        if (SpansMeet(stored.x(), strip.width(), screen.x(), screen.width()) &&
            SpansMeet(stored.y(), strip.height(), screen.y(), screen.height()))
            return stored;
    return fallback;
}
