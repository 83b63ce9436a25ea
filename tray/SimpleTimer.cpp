#include "tray/SimpleTimer.h"

#include <QHash>
#include <QTimer>

#include <limits>

// ---- the shared handler ----

namespace {
TSimpleTimerHandler* gHandler = nullptr;
int gHandlerReferences = 0;
}  // namespace

struct TSimpleTimerHandler::Timers {
    QHash<TSimpleTimer*, QTimer*> byTimer;
};

TSimpleTimerHandler::TSimpleTimerHandler() : timers_(new Timers) {}

TSimpleTimerHandler::~TSimpleTimerHandler() {
    qDeleteAll(timers_->byTimer);
    delete timers_;
}

TSimpleTimerHandler& TSimpleTimerHandler::Acquire() {
    if (!gHandler) gHandler = new TSimpleTimerHandler;
    ++gHandlerReferences;
    return *gHandler;
}

void TSimpleTimerHandler::Release() {
    if (gHandlerReferences == 0) return;
    if (--gHandlerReferences == 0) {
        delete gHandler;
        gHandler = nullptr;
    }
}

int TSimpleTimerHandler::References() {
    return gHandlerReferences;
}

bool TSimpleTimerHandler::SetTimer(TSimpleTimer& timer, quint32 intervalMs) {
    if (intervalMs == 0 || intervalMs > quint32(std::numeric_limits<int>::max())) return false;
    QTimer*& qt = timers_->byTimer[&timer];
    if (!qt) {
        qt = new QTimer;
        TSimpleTimer* target = &timer;
        QObject::connect(qt, &QTimer::timeout, qt, [target] { target->Fire(); });
    }
    qt->start(int(intervalMs));
    return true;
}

bool TSimpleTimerHandler::KillTimer(TSimpleTimer& timer) {
    QTimer* qt = timers_->byTimer.take(&timer);
    if (!qt) return false;
    qt->stop();
    // The timer may be killed from inside its own timeout.
    qt->deleteLater();
    return true;
}

// ---- the timer ----

TSimpleTimer::TSimpleTimer(ITimerSource* source)
    : source_(source ? source : &TSimpleTimerHandler::Acquire()), sharedSource_(source == nullptr) {}

TSimpleTimer::TSimpleTimer(quint32 interval, TimerEvent onTimer, ITimerSource* source)
    : TSimpleTimer(source) {
    interval_ = interval;
    onTimer_ = std::move(onTimer);
}

TSimpleTimer::~TSimpleTimer() {
    if (enabled_) Stop(true);
    if (sharedSource_) TSimpleTimerHandler::Release();
}

bool TSimpleTimer::Start() {
    if (interval_ == 0) return false;
    if (enabled_) Stop(true);
    const bool ok = source_->SetTimer(*this, interval_);
    if (ok) enabled_ = true;
    return ok;
}

bool TSimpleTimer::Stop(bool disable) {
    if (disable) enabled_ = false;
    return source_->KillTimer(*this);
}

void TSimpleTimer::SetEnabled(bool enabled) {
    if (enabled)
        Start();
    else
        Stop(true);
}

void TSimpleTimer::SetInterval(quint32 interval) {
    if (interval == interval_) return;
    interval_ = interval;
    if (!enabled_) return;
    if (interval != 0)
        Start();
    else
        Stop(false);
}

void TSimpleTimer::SetOnTimer(TimerEvent onTimer) {
    onTimer_ = std::move(onTimer);
    if (!onTimer_ && enabled_) Stop(false);
}

void TSimpleTimer::Fire() {
    if (onTimer_) onTimer_(*this);
}
