#pragma once
// The zone lists (the reference-zone picker and the clock editor's list): the catalogue's
// long list in rows of a fixed height, an open list no taller than a screenful of rows,
// whatever the desktop's style would do with it, and a search by city: typing opens the
// list with only the entries whose places begin with what was typed, the first of them
// highlighted, under a first row that tells what was typed; Enter or a click picks it
// as any pick would, Escape leaves the choice as it was, Backspace takes the last letter
// back.

#include <QString>

class QComboBox;
class TTimeZoneList;

// Rows an open zone list shows at most before it scrolls.
constexpr int kZoneListOpenRows = 20;

// Every row of the combo's list rowHeight pixels high; the open list shows at most
// kZoneListOpenRows of them; typing searches it.
void SetUpZoneList(QComboBox* combo, int rowHeight);

// Appends one item per catalogue entry, in catalogue order: the entry's Display as its
// text, its index in the catalogue as its data, and its key (Std) for the search.
void AddZoneListEntries(QComboBox* combo, const TTimeZoneList& catalogue);

// The words the search finds row by, instead of its text.
void SetZoneSearchText(QComboBox* combo, int row, const QString& words);

// Marks row as the computer's own zone: an icon, with the words in its tool tip and in
// what screen readers read.
void MarkComputerRow(QComboBox* combo, int row);

// The words the search shows as the open list's first row while the user types.
QString ZoneSearchCaption(const QString& typed, bool found);
