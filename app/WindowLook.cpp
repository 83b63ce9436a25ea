#include "app/WindowLook.h"

#include <QIcon>
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

void SetFontColor(QWidget* widget, TColor color) {
    QPalette palette = widget->palette();
    const QColor c = ToQColor(color);
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::ButtonText, c);
    palette.setColor(QPalette::Text, c);
    widget->setPalette(palette);
}
