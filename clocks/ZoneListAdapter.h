#pragma once
// The zone lists' look: the catalogue's long list in rows of a fixed height, and an open
// list no taller than a screenful of rows, whatever the desktop's style would do with it.

class QComboBox;

// Rows an open zone list shows at most before it scrolls.
constexpr int kZoneListOpenRows = 20;

// Every row of the combo's list rowHeight pixels high; the open list shows at most
// kZoneListOpenRows of them.
void SetZoneListRows(QComboBox* combo, int rowHeight);
