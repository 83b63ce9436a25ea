#pragma once
// Makes a clock box (its container panel, name label and time panel) behave like a
// button: any mouse button pressed on it lowers the container's bevel, any release
// raises it again, and only a release inside the same container is a click.

#include <QObject>

#include <initializer_list>

class QEvent;
class QFrame;
class QWidget;

class TCapitalBoxClick : public QObject {
    Q_OBJECT
public:
    // parts: the widgets inside the container that pass their mouse events to it
    // (the name label and the time panel). The adapter is a child of the container.
    TCapitalBoxClick(QFrame* container, std::initializer_list<QWidget*> parts);

    QFrame* Container() const { return container_; }

signals:
    // A press and a release, with any button, both on this clock box.
    void Clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseDown();
    void MouseUp(QWidget* sender, const QPoint& senderPos);

    QFrame* container_;
    bool pressed_ = false;
};
