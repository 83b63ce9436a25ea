#pragma once
// The mini strip: a borderless, always-on-top line of the five clock tiles that the
// main window is replaced by. It shows the clocks as the main window's minute has them,
// day marks included, and reads no clock of its own. It is dragged with the left button,
// says where it was put, and offers a way back to the main window and out of the program.

#include "clocks/MainCapital.h"
#include "platform/DisplayPlatform.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QImage;
class QLabel;
class QMenu;

// How the platform the program runs on places top-level windows.
TWindowPlacement CurrentWindowPlacement();

class TMiniModeForm : public QWidget {
    Q_OBJECT
public:
    // The strip has no owner. Where the compositor places windows (Wayland), it is moved
    // by the compositor and its position is neither asked for nor stored.
    explicit TMiniModeForm(TWindowPlacement placement = CurrentWindowPlacement());
    ~TMiniModeForm() override;

    // Clocks are the main window's, left to right, not owned. The strip becomes one
    // tile high.
    void AssignClocks(TMainCapital* clock1, TMainCapital* clock2, TMainCapital* clock3, TMainCapital* clock4,
                      TMainCapital* clock5);
    // What the five clocks read now, each tile's text; a strip on screen is drawn anew.
    void SetTimes(const std::array<TClockFace, 5>& times);
    // Lays the five tiles side by side and resizes the strip about its centre.
    void RedrawStrip();
    // Shows the strip where it was last put (storedPosition, given the default place on
    // the monitor), or at that default when the stored place is on none of the screens.
    // Where the compositor places windows it just shows the strip.
    void ShowPlaced(const QRect& monitor, const QList<QRect>& screens,
                    const std::function<QPoint(const QPoint& fallback)>& storedPosition);

    // The composed picture that img1 shows.
    const QImage& StripImage() const;
    bool IsDragging() const { return Dragging; }

    // Controls, for the main window's wiring and for tests.
    QLabel* img1 = nullptr;
    QMenu* pm1 = nullptr;
    QAction* mniN1 = nullptr;
    QAction* mniN2 = nullptr;

signals:
    // "Обычный режим": the main window is to be shown; its show handler ends mini mode
    // and releases the strip later, never from inside the strip's own handler.
    void showMainWindowRequested();
    // "Выход": the program is to end through the main window's close.
    void exitRequested();
    // The strip was put down at this position, to be stored as the strip's place.
    void positionStored(const QPoint& position);

public slots:
    void mniN1Click();
    void mniN2Click();

protected:
    // Hands a drag to the compositor (the left button is down); false when it cannot.
    virtual bool StartSystemMove();

    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormShow();
    void SetClientSize(int width, int height);
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp();

    const TWindowPlacement placement_;

    bool Dragging = false;
    int GrabX = 0;
    int GrabY = 0;
    std::array<TMainCapital*, 5> Clocks{};
    std::array<TClockFace, 5> Times;
    QImage* StripBitmap = nullptr;
    int StripHeight = 0;  // set by AssignClocks: one tile high
};
