#pragma once
// Tells when the system's wall clock is set (by the user, NTP stepping it, or a resume
// from suspend), at once and without polling: a timerfd armed far in the future with
// TFD_TIMER_CANCEL_ON_SET, which the kernel cancels on every such change.

#include <QObject>

#include <functional>

class QSocketNotifier;

class ClockSetWatch : public QObject {
public:
    explicit ClockSetWatch(std::function<void()> onClockSet);
    ~ClockSetWatch() override;
    ClockSetWatch(const ClockSetWatch&) = delete;
    ClockSetWatch& operator=(const ClockSetWatch&) = delete;

    // False where the kernel offers no such timer; the minute timers then catch jumps
    // on their own (TMinuteTimer::CheckWallClock).
    bool IsWatching() const { return fd_ >= 0; }

private:
    bool Arm();
    void Readable();

    std::function<void()> onClockSet_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
