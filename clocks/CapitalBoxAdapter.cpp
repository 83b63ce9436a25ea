#include "clocks/CapitalBoxAdapter.h"

#include <QFrame>
#include <QMouseEvent>
#include <QWidget>

TCapitalBoxClick::TCapitalBoxClick(QFrame* container, std::initializer_list<QWidget*> parts)
    : QObject(container), container_(container) {
    container_->installEventFilter(this);
    for (QWidget* part : parts) part->installEventFilter(this);
}

bool TCapitalBoxClick::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:  // a quick second click is still a press
        MouseDown();
        return true;
    case QEvent::MouseButtonRelease:
        MouseUp(widget, static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    default: return false;
    }
}

void TCapitalBoxClick::MouseDown() {
    pressed_ = true;
    container_->setFrameShadow(QFrame::Sunken);
}

void TCapitalBoxClick::MouseUp(QWidget* sender, const QPoint& senderPos) {
    container_->setFrameShadow(QFrame::Raised);
    // Only the first release after a press counts: with two buttons held, letting
    // both go is one click, not two dialogs.
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (!wasPressed) return;
    // The widget that took the press keeps the mouse until the release, so the point
    // is tested in the container's own coordinates: pressing on the name label and
    // letting go over the time panel is still inside.
    const QPoint p = container_->mapFromGlobal(sender->mapToGlobal(senderPos));
    if (!container_->rect().contains(p)) return;
    emit Clicked();
}
