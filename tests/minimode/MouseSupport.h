#pragma once
// Synthetic mouse events delivered the way the toolkit delivers them: to the widget
// that took the press, in its own coordinates, through the event filters.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

inline void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint pos,
                      Qt::MouseButtons held = Qt::NoButton) {
    if (type == QEvent::MouseButtonPress) held |= button;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void Press(QWidget* w, Qt::MouseButton b, QPoint p) {
    SendMouse(w, QEvent::MouseButtonPress, b, p);
}
inline void Release(QWidget* w, Qt::MouseButton b, QPoint p) {
    SendMouse(w, QEvent::MouseButtonRelease, b, p);
}
inline void Move(QWidget* w, QPoint p, Qt::MouseButtons held = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseMove, Qt::NoButton, p, held);
}
