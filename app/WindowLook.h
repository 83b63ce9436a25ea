#pragma once
// Fonts and colours of the windows, given as the window designs give them:
// character heights in pixels, colours as 0x00BBGGRR.

#include "clocks/MainCapital.h"

#include <QColor>
#include <QFont>

class QIcon;
class QWidget;

// The sizes of the application's icon that the window's title bar, task switchers and
// trays ask for.
inline constexpr int kApplicationIconSizes[] = {16, 22, 24, 32, 48};
// The application's icon in those sizes, decoded at once. Copies of it share the
// decoded pictures, so one call serves the window and the tray.
QIcon ApplicationIcon();

// A font of the given family whose character height (em) is px pixels.
QFont FontPx(const QString& family, int px, bool bold = false);
inline QFont ArialPx(int px, bool bold = false) {
    return FontPx(QStringLiteral("Arial"), px, bold);
}

QColor ToQColor(TColor color);
// Sets the colour of a widget's text (labels, buttons, check boxes).
void SetFontColor(QWidget* widget, TColor color);

// Colours the designs name.
constexpr TColor clBtnFaceRgb = 0x00F0F0F0;
constexpr TColor clGrayText = 0x00808080;
constexpr TColor clBlueText = 0x00FF0000;
constexpr TColor clRedText = 0x000000FF;
