#include "app/WindowLook.h"

#include <QIcon>
#include <QPalette>
#include <QWidget>

QIcon ApplicationIcon() {
    // A QIcon decodes its files when they are added, so only the sizes windows and trays
    // show are added; the launcher's larger ones are installed as files of their own.
    QIcon icon;
    for (int size : kApplicationIconSizes)
        icon.addFile(QStringLiteral(":/horavane-%1.png").arg(size), QSize(size, size));
    return icon;
}

QFont FontPx(const QString& family, int px, bool bold) {
    QFont font(family);
    font.setPixelSize(px);
    font.setBold(bold);
    return font;
}

QColor ToQColor(TColor color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

namespace {

constexpr QPalette::ColorRole kFontRoles[] = {QPalette::WindowText, QPalette::ButtonText, QPalette::Text};

bool HasFontColor(const QPalette& palette, const QColor& color) {
    for (const QPalette::ColorRole role : kFontRoles)
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            if (!palette.isBrushSet(group, role) || palette.brush(group, role).style() != Qt::SolidPattern ||
                palette.color(group, role) != color)
                return false;
    return true;
}

}  // namespace

void SetFontColor(QWidget* widget, TColor color) {
    const QColor c = ToQColor(color);
    // The hour line restyles its panels every minute: a colour already set costs nothing.
    if (HasFontColor(widget->palette(), c)) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::ButtonText, c);
    palette.setColor(QPalette::Text, c);
    widget->setPalette(palette);
}
