#include "platform/Clock.h"

#include "platform/ClockSetWatch.h"

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

qint64 WholeMinuteMs(qint64 utcMs) {
    return utcMs - ((utcMs % 60'000) + 60'000) % 60'000;
}

qint64 MsToNextMinute(qint64 utcMs) {
    return WholeMinuteMs(utcMs) + 60'000 - utcMs;
}

// --- jump listeners ------------------------------------------------------------------

int IClock::AddJumpListener(JumpListener listener) const {
    const bool first = jumpListeners_.empty();
    const int id = nextListenerId_++;
    jumpListeners_.emplace(id, std::move(listener));
    if (first) StartWatchingJumps();
    return id;
}

void IClock::RemoveJumpListener(int id) const {
    jumpListeners_.erase(id);
}

void IClock::NotifyJump() const {
    // A listener may remove itself or others while it runs: call a snapshot.
    std::vector<int> ids;
    for (const auto& entry : jumpListeners_) ids.push_back(entry.first);
    for (int id : ids) {
        const auto found = jumpListeners_.find(id);
        if (found != jumpListeners_.end()) {
            const JumpListener listener = found->second;
            listener();
        }
    }
}

// --- the system clock ----------------------------------------------------------------

SystemClock::SystemClock() = default;
SystemClock::~SystemClock() = default;

SYSTEMTIME SystemClock::UtcNow() const {
    return SystemTimeFromUnixMs(UtcMs());
}

qint64 SystemClock::UtcMs() const {
    return QDateTime::currentMSecsSinceEpoch();
}

int SystemClock::LocalMinute() const {
    const qint64 utcMinute = QDateTime::currentMSecsSinceEpoch() / 60'000;
    if (utcMinute != utcMinute_) {
        utcMinute_ = utcMinute;
        localMinute_ = QTime::currentTime().minute();
    }
    return localMinute_;
}

void SystemClock::StartWatchingJumps() const {
    if (setWatch_) return;
    setWatch_ = std::make_unique<ClockSetWatch>([this] {
        utcMinute_ = -1;  // the local minute is read afresh after a jump
        NotifyJump();
    });
}
