#pragma once
// The tick of the main window and of the mini strip: fires within a few milliseconds
// after the computer's local minute changes, and at once when the wall clock jumps.
// Between minutes it sleeps; a poll several times a minute would cost a wakeup each.
// The listeners compare minutes themselves, so a spare firing is harmless.

#include <QElapsedTimer>
#include <QObject>

class IClock;
class QTimer;

class TMinuteTimer : public QObject {
    Q_OBJECT
public:
    explicit TMinuteTimer(const IClock& clock, QObject* parent = nullptr);
    ~TMinuteTimer() override;

    void start();
    void stop();
    bool isActive() const { return active_; }

    // A wall clock that the system did not report as set (a faked clock, or a kernel
    // without clock-set timers) is caught here: when the wall clock has moved against
    // the monotonic clock since the timer was armed, fire and arm again. Cheap enough to
    // call from a timer that runs anyway, such as the reference clock's blink.
    void CheckWallClock();

signals:
    void timeout();

private:
    void Fire();
    void Arm();

    const IClock& clock_;
    QTimer* timer_;
    int jumpListener_ = 0;
    bool active_ = false;
    QElapsedTimer armedAt_;
    qint64 armedWallMs_ = 0;
};
