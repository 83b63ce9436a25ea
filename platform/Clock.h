#pragma once
// The one source of "now" for the whole program. Production reads the system
// clock; tests hand in a FakeClock and drive days of simulated time in milliseconds.

#include "timezones/ZoneRecord.h"

#include <QtGlobal>

class IClock {
public:
    virtual ~IClock() = default;
    // The current UTC instant to the millisecond (what GetSystemTime gives on Windows).
    virtual SYSTEMTIME UtcNow() const = 0;
    // Minute of the hour (0..59) of the computer's own local wall clock.
    virtual int LocalMinute() const = 0;
};

class SystemClock final : public IClock {
public:
    SYSTEMTIME UtcNow() const override;
    // Zone offsets are whole minutes, so the local minute can only change when the UTC
    // minute does: the local zone is consulted once per UTC minute, not on every tick.
    int LocalMinute() const override;

private:
    mutable qint64 utcMinute_ = -1;
    mutable int localMinute_ = 0;
};

// A clock that stands still until told otherwise.
class FakeClock final : public IClock {
public:
    // utcMs: milliseconds since 1970-01-01 UTC; localOffsetMinutes: the computer's
    // own offset from UTC, which only the local minute depends on.
    explicit FakeClock(qint64 utcMs = 0, int localOffsetMinutes = 0)
        : utcMs_(utcMs), localOffsetMinutes_(localOffsetMinutes) {}

    // Sets UTC from an ISO text such as "2026-01-15T22:00:00Z" (or "...T22:00:00.250").
    void SetUtc(const char* isoUtc);
    void SetUtcMs(qint64 utcMs) { utcMs_ = utcMs; }
    qint64 UtcMs() const { return utcMs_; }
    void Advance(qint64 ms) { utcMs_ += ms; }
    void SetLocalOffsetMinutes(int minutes) { localOffsetMinutes_ = minutes; }

    SYSTEMTIME UtcNow() const override;
    int LocalMinute() const override;

private:
    qint64 utcMs_;
    int localOffsetMinutes_;
};

// Turns milliseconds since 1970-01-01 UTC into a SYSTEMTIME (with wDayOfWeek).
SYSTEMTIME SystemTimeFromUnixMs(qint64 ms);
