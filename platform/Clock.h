#pragma once
// The one source of "now" for the whole program. Production reads the system clock;
// tests hand in a clock of their own (tests/support/FakeClock.h).

#include "timezones/ZoneRecord.h"

#include <QtGlobal>

#include <functional>
#include <map>
#include <memory>

class IClock {
public:
    virtual ~IClock() = default;
    // The current UTC instant to the millisecond (what GetSystemTime gives on Windows).
    virtual SYSTEMTIME UtcNow() const = 0;
    // The same instant as milliseconds since 1970-01-01 UTC.
    virtual qint64 UtcMs() const = 0;
    // Minute of the hour (0..59) of the computer's own local wall clock.
    virtual int LocalMinute() const = 0;

    // Callbacks for a wall clock that moves other than by running on: the system clock
    // calls them when the time is set, the fake clock whenever a test moves it. The id
    // returned removes the callback again.
    using JumpListener = std::function<void()>;
    int AddJumpListener(JumpListener listener) const;
    void RemoveJumpListener(int id) const;

protected:
    void NotifyJump() const;
    bool HasJumpListeners() const { return !jumpListeners_.empty(); }
    // The first listener arrived: a clock that must ask the system for jumps starts now.
    virtual void StartWatchingJumps() const {}

private:
    mutable std::map<int, JumpListener> jumpListeners_;
    mutable int nextListenerId_ = 1;
};

// Milliseconds from utcMs to the next change of the minute. Zone offsets are whole
// minutes, so the computer's local minute changes exactly when the UTC minute does.
qint64 MsToNextMinute(qint64 utcMs);
// The instant at which utcMs's minute began.
qint64 WholeMinuteMs(qint64 utcMs);

class ClockSetWatch;

class SystemClock final : public IClock {
public:
    SystemClock();
    ~SystemClock() override;

    SYSTEMTIME UtcNow() const override;
    qint64 UtcMs() const override;
    // The local zone is consulted once per UTC minute, not on every read.
    int LocalMinute() const override;

protected:
    void StartWatchingJumps() const override;

private:
    mutable qint64 utcMinute_ = -1;
    mutable int localMinute_ = 0;
    mutable std::unique_ptr<ClockSetWatch> setWatch_;
};

// Turns milliseconds since 1970-01-01 UTC into a SYSTEMTIME (with wDayOfWeek).
SYSTEMTIME SystemTimeFromUnixMs(qint64 ms);
