#pragma once
// A light periodic timer for the tray icon: icon cycling, click deferral and the
// mouse-exit poll. The periods come from a timer source so tests can advance time
// by hand; the program's own source runs QTimers on the GUI thread.

#include <QtGlobal>

#include <functional>

class TSimpleTimer;

// Where periodic timers are kept. SetTimer (re)starts a timer's period from now;
// each elapsed period calls TSimpleTimer::Fire on the GUI thread.
class ITimerSource {
public:
    virtual ~ITimerSource() = default;
    virtual bool SetTimer(TSimpleTimer& timer, quint32 intervalMs) = 0;
    virtual bool KillTimer(TSimpleTimer& timer) = 0;
};

// The one shared timer source of the process, created with the first timer that
// uses it and destroyed with the last.
class TSimpleTimerHandler final : public ITimerSource {
public:
    static TSimpleTimerHandler& Acquire();
    static void Release();
    static int References();

    bool SetTimer(TSimpleTimer& timer, quint32 intervalMs) override;
    bool KillTimer(TSimpleTimer& timer) override;

private:
    TSimpleTimerHandler();
    ~TSimpleTimerHandler() override;
    struct Timers;
    Timers* timers_;
};

class TSimpleTimer {
public:
    using TimerEvent = std::function<void(TSimpleTimer& sender)>;

    // source: where the timer runs; null means the shared handler of the process.
    explicit TSimpleTimer(ITimerSource* source = nullptr);
    TSimpleTimer(quint32 interval, TimerEvent onTimer, ITimerSource* source = nullptr);
    ~TSimpleTimer();
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // Fails when the interval is 0 or the source refuses; a running timer restarts.
    bool Start();
    // disable false keeps the timer marked enabled while it is silent.
    bool Stop(bool disable);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    quint32 Interval() const { return interval_; }
    void SetInterval(quint32 interval);
    const TimerEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TimerEvent onTimer);

    // One elapsed period, delivered by the source.
    void Fire();

private:
    ITimerSource* source_;
    bool sharedSource_;
    bool enabled_ = false;
    quint32 interval_ = 1000;
    TimerEvent onTimer_;
};
