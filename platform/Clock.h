#pragma once
// The one source of "now" for the whole program. Production reads the system
// clock; tests hand in a FakeClock and drive days of simulated time in milliseconds.

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

// A clock that stands still until told otherwise; every move counts as a jump, so
// minute timers built on it tick as a test moves it.
class FakeClock final : public IClock {
public:
    // utcMs: milliseconds since 1970-01-01 UTC; localOffsetMinutes: the computer's
    // own offset from UTC, which only the local minute depends on.
    explicit FakeClock(qint64 utcMs = 0, int localOffsetMinutes = 0)
        : utcMs_(utcMs), localOffsetMinutes_(localOffsetMinutes) {}

    // Sets UTC from an ISO text such as "2026-01-15T22:00:00Z" (or "...T22:00:00.250").
    void SetUtc(const char* isoUtc);
    void SetUtcMs(qint64 utcMs);
    void Advance(qint64 ms);
    void SetLocalOffsetMinutes(int minutes);

    SYSTEMTIME UtcNow() const override;
    qint64 UtcMs() const override { return utcMs_; }
    int LocalMinute() const override;

private:
    qint64 utcMs_;
    int localOffsetMinutes_;
};

// Turns milliseconds since 1970-01-01 UTC into a SYSTEMTIME (with wDayOfWeek).
SYSTEMTIME SystemTimeFromUnixMs(qint64 ms);
