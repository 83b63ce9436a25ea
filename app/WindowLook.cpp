#include "app/WindowLook.h"

#include <QWidget>

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

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left, top, width, height);
}
