#pragma once
// The capital tile's font. The original tiles used the Windows bitmap font "Fixedsys"
// at 10 pt (an 8 x 15 pixel cell with Cyrillic); this is the one place naming its
// stand-in, a monospaced font whose cell is close to that.

#include <QFont>

// The tile font with a pixel size (10 pt at 96 dpi = 13 px), so tiles do not depend on
// a screen's resolution, drawn without smoothing like the bitmap font it replaces.
QFont TileFont();
