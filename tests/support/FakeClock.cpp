#include "support/FakeClock.h"

#include <QDateTime>

void FakeClock::SetUtc(const char* isoUtc) {
    QDateTime dt = QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODateWithMs);
    dt.setTimeSpec(Qt::UTC);
    SetUtcMs(dt.toMSecsSinceEpoch());
}

void FakeClock::SetUtcMs(qint64 utcMs) {
    utcMs_ = utcMs;
    NotifyJump();
}

void FakeClock::Advance(qint64 ms) {
    utcMs_ += ms;
    NotifyJump();
}

void FakeClock::SetLocalOffsetMinutes(int minutes) {
    localOffsetMinutes_ = minutes;
    NotifyJump();
}

SYSTEMTIME FakeClock::UtcNow() const {
    return SystemTimeFromUnixMs(utcMs_);
}

int FakeClock::LocalMinute() const {
    const qint64 localMs = utcMs_ + qint64(localOffsetMinutes_) * 60'000;
    const qint64 minutes = localMs >= 0 ? localMs / 60'000 : (localMs - 59'999) / 60'000;
    return static_cast<int>(((minutes % 60) + 60) % 60);
}
