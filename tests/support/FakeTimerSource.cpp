#include "support/FakeTimerSource.h"

bool FakeTimerSource::SetTimer(TSimpleTimer& timer, quint32 intervalMs) {
    if (refuse_ || intervalMs == 0) return false;
    running_[&timer] = Entry{intervalMs, now_ + intervalMs, nextOrder_++};
    return true;
}

bool FakeTimerSource::KillTimer(TSimpleTimer& timer) {
    return running_.erase(&timer) != 0;
}

void FakeTimerSource::Advance(qint64 ms) {
    const qint64 end = now_ + ms;
    for (;;) {
        const TSimpleTimer* next = nullptr;
        Entry best{};
        for (const auto& [timer, entry] : running_) {
            if (entry.due > end) continue;
            if (!next || entry.due < best.due || (entry.due == best.due && entry.order < best.order)) {
                next = timer;
                best = entry;
            }
        }
        if (!next) break;
        now_ = best.due;
        Entry& entry = running_[next];
        entry.due += entry.interval;
        entry.order = nextOrder_++;
        const_cast<TSimpleTimer*>(next)->Fire();
    }
    now_ = end;
}
