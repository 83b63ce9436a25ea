#pragma once
// Keys delivered the way the toolkit delivers typing: to an open popup list's focus
// widget before anything else, each press after the shortcut override that lets an
// open list take Enter and Escape, then its release.

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

inline void PressKey(QWidget* focus, int key, const QString& text = {}) {
    const auto receiver = [focus] {
        QWidget* popup = QApplication::activePopupWidget();
        return popup ? (popup->focusWidget() ? popup->focusWidget() : popup) : focus;
    };
    QKeyEvent shortcut(QEvent::ShortcutOverride, key, Qt::NoModifier, text);
    shortcut.ignore();
    QCoreApplication::sendEvent(receiver(), &shortcut);
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(receiver(), &event);
    }
}

// Types text letter by letter, then presses Enter unless told not to.
inline void TypeText(QWidget* focus, const QString& text, bool enter = true) {
    for (const QChar c : text) PressKey(focus, c.toUpper().unicode(), QString(c));
    if (enter) PressKey(focus, Qt::Key_Return, QStringLiteral("\r"));
}
