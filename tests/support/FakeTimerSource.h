#pragma once
// A timer source for the tray's tests, which drive its time by hand.

#include "tray/SimpleTimer.h"

#include <map>

// A timer source whose time moves only when told; the tray's tests use it in place
// of the shared handler.
class FakeTimerSource final : public ITimerSource {
public:
    bool SetTimer(TSimpleTimer& timer, quint32 intervalMs) override;
    bool KillTimer(TSimpleTimer& timer) override;

    // Moves time on by ms, firing every period that elapses, earliest first.
    void Advance(qint64 ms);
    bool IsRunning(const TSimpleTimer& timer) const { return running_.count(&timer) != 0; }
    qint64 Now() const { return now_; }
    // While refusing, SetTimer fails as a platform out of timers would.
    void SetRefuse(bool refuse) { refuse_ = refuse; }

private:
    struct Entry {
        quint32 interval;
        qint64 due;
        quint64 order;  // timers due together fire in the order they were set
    };
    std::map<const TSimpleTimer*, Entry> running_;
    qint64 now_ = 0;
    quint64 nextOrder_ = 0;
    bool refuse_ = false;
};
