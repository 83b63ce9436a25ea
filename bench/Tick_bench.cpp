// The main window's tick: the common case (minute unchanged), the minute's work, and the
// rare minute that reads the zone catalogue anew (New Year, a change of Morocco's).
#include "app/Main.h"
#include "platform/Clock.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

void BM_TickWithinTheMinute(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:07:30");
    TForm1 form(clock, {});
    for (auto _ : state) form.tmr1Timer();
}
BENCHMARK(BM_TickWithinTheMinute);

void BM_TickOnMinuteChange(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:07:30");
    TForm1 form(clock, {});
    for (auto _ : state) {
        clock.Advance(60'000);
        form.tmr1Timer();
    }
}
BENCHMARK(BM_TickOnMinuteChange)->Unit(benchmark::kMicrosecond);

// Each iteration crosses a New Year, one way or the other (a clock set back reads the
// catalogue anew too), so every minute rebuilds the catalogue and what follows it.
void BM_TickOnCatalogueRebuild(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-12-31T23:58:00");
    TForm1 form(clock, {});
    const qint64 before = clock.UtcMs(), after = before + 3 * 60'000;
    bool late = false;
    for (auto _ : state) {
        late = !late;
        clock.SetUtcMs(late ? after : before);
        form.tmr1Timer();
    }
}
BENCHMARK(BM_TickOnCatalogueRebuild)->Unit(benchmark::kMillisecond);

void BM_SystemClockMinuteRead(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) benchmark::DoNotOptimize(clock.LocalMinute());
}
BENCHMARK(BM_SystemClockMinuteRead);

}  // namespace
