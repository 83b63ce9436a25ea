#include "platform/MinuteTimer.h"

#include "platform/Clock.h"

#include <QTimer>

#include <cstdlib>

namespace {

// The timer is armed this much past the minute, so that it never wakes just before it.
constexpr int kPastTheMinuteMs = 2;
// Drift between the wall and the monotonic clock that counts as a jump.
constexpr qint64 kJumpToleranceMs = 500;

}  // namespace

TMinuteTimer::TMinuteTimer(const IClock& clock, QObject* parent)
    : QObject(parent), clock_(clock), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &TMinuteTimer::Fire);
    jumpListener_ = clock_.AddJumpListener([this] {
        if (active_) Fire();
    });
}

TMinuteTimer::~TMinuteTimer() {
    clock_.RemoveJumpListener(jumpListener_);
}

void TMinuteTimer::start() {
    active_ = true;
    Arm();
}

void TMinuteTimer::stop() {
    active_ = false;
    timer_->stop();
}

void TMinuteTimer::CheckWallClock() {
    if (!active_ || !armedAt_.isValid()) return;
    const qint64 drift = clock_.UtcMs() - armedWallMs_ - armedAt_.elapsed();
    if (std::abs(drift) > kJumpToleranceMs) Fire();
}

void TMinuteTimer::Fire() {
    // Armed again first: a listener may stop the timer, and that must stay stopped.
    Arm();
    emit timeout();
}

void TMinuteTimer::Arm() {
    if (!active_) return;
    armedWallMs_ = clock_.UtcMs();
    armedAt_.start();
    timer_->start(int(MsToNextMinute(armedWallMs_)) + kPastTheMinuteMs);
}
