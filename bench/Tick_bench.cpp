// The main window's 300 ms tick: the common case (minute unchanged) and the minute's work.
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

void BM_SystemClockMinuteRead(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) benchmark::DoNotOptimize(clock.LocalMinute());
}
BENCHMARK(BM_SystemClockMinuteRead);

}  // namespace
