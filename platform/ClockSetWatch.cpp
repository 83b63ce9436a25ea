#include "platform/ClockSetWatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

ClockSetWatch::ClockSetWatch(std::function<void()> onClockSet) : onClockSet_(std::move(onClockSet)) {
    fd_ = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) return;
    if (!Arm()) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Readable(); });
}

ClockSetWatch::~ClockSetWatch() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

bool ClockSetWatch::Arm() {
    // An absolute expiry no clock will reach; only a change of the clock wakes us.
    itimerspec farAway{};
    farAway.it_value.tv_sec = static_cast<time_t>(INT32_MAX);
    return timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &farAway, nullptr) == 0;
}

void ClockSetWatch::Readable() {
    uint64_t expirations = 0;
    const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
    if (n < 0 && errno == EAGAIN) return;
    // ECANCELED: the clock was set. The timer must be armed again to hear the next one.
    Arm();
    onClockSet_();
}
