#pragma once
// The mini strip: a borderless, always-on-top line of the five clock tiles that the
// main window is replaced by. It is dragged with the left button, remembers where it
// was put, and offers a way back to the main window and out of the program.

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
class TMinuteTimer;
class IClock;
class TMainCapital;

// What the strip asks of the window it stands in for.
class IMiniModeHost {
public:
    virtual ~IMiniModeHost() = default;
    // "Обычный режим": show the main window (whose show handler ends mini mode and
    // releases the strip later, never from inside the strip's own handler).
    virtual void ShowMainWindow() = 0;
    // "Выход": end the program through the main window's close.
    virtual void ExitProgram() = 0;
    // The strip was put down at this position (GetSettings().WriteMiniPosition).
    virtual void StoreMiniPosition(const QPoint& position) = 0;
};

// How the platform the program runs on places top-level windows.
TWindowPlacement CurrentWindowPlacement();

class TMiniModeForm : public QWidget {
    Q_OBJECT
public:
    // The strip has no owner. Where the compositor places windows (Wayland), it is moved
    // by the compositor and its position is neither asked for nor stored.
    TMiniModeForm(const IClock& clock, IMiniModeHost& host,
                  TWindowPlacement placement = CurrentWindowPlacement());
    ~TMiniModeForm() override;

    // Clocks are the main window's, left to right, not owned. The strip becomes one
    // tile high.
    void AssignClocks(TMainCapital* clock1, TMainCapital* clock2, TMainCapital* clock3,
                      TMainCapital* clock4, TMainCapital* clock5);
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
    int LastShownMinute() const { return LastMinute; }

    // Controls, for the main window's wiring and for tests.
    QLabel* img1 = nullptr;
    QMenu* pm1 = nullptr;
    QAction* mniN1 = nullptr;
    QAction* mniN2 = nullptr;
    TMinuteTimer* tmr1 = nullptr;

public slots:
    void tmr1Timer();
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

    const IClock& clock_;
    IMiniModeHost& host_;
    const TWindowPlacement placement_;

    bool Dragging = false;
    int GrabX = 0;
    int GrabY = 0;
    int LastMinute = -1;
    std::array<TMainCapital*, 5> Clocks{};
    QImage* StripBitmap = nullptr;
    int StripHeight = 0;  // set by AssignClocks: one tile high
};
