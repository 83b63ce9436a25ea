#pragma once
// A clock for tests and benchmarks: it stands still while they drive days of simulated
// time in milliseconds.

#include "platform/Clock.h"

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
