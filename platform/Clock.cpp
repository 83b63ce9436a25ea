#include "platform/Clock.h"

#include <QDateTime>

SYSTEMTIME SystemTimeFromUnixMs(qint64 ms) {
    const QDateTime dt = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const QDate d = dt.date();
    const QTime t = dt.time();
    SYSTEMTIME st;
    st.wYear = static_cast<uint16_t>(d.year());
    st.wMonth = static_cast<uint16_t>(d.month());
    st.wDayOfWeek = static_cast<uint16_t>(d.dayOfWeek() % 7);  // Qt: Monday 1 .. Sunday 7
    st.wDay = static_cast<uint16_t>(d.day());
    st.wHour = static_cast<uint16_t>(t.hour());
    st.wMinute = static_cast<uint16_t>(t.minute());
    st.wSecond = static_cast<uint16_t>(t.second());
    st.wMilliseconds = static_cast<uint16_t>(t.msec());
    return st;
}

SYSTEMTIME SystemClock::UtcNow() const {
    return SystemTimeFromUnixMs(QDateTime::currentMSecsSinceEpoch());
}

int SystemClock::LocalMinute() const {
    const qint64 utcMinute = QDateTime::currentMSecsSinceEpoch() / 60'000;
    if (utcMinute != utcMinute_) {
        utcMinute_ = utcMinute;
        localMinute_ = QTime::currentTime().minute();
    }
    return localMinute_;
}

void FakeClock::SetUtc(const char* isoUtc) {
    QDateTime dt = QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODateWithMs);
    dt.setTimeSpec(Qt::UTC);
    utcMs_ = dt.toMSecsSinceEpoch();
}

SYSTEMTIME FakeClock::UtcNow() const {
    return SystemTimeFromUnixMs(utcMs_);
}

int FakeClock::LocalMinute() const {
    const qint64 localMs = utcMs_ + qint64(localOffsetMinutes_) * 60'000;
    const qint64 minutes = localMs >= 0 ? localMs / 60'000 : (localMs - 59'999) / 60'000;
    return static_cast<int>(((minutes % 60) + 60) % 60);
}
