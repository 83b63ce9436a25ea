#include "platform/Clock.h"

#include <benchmark/benchmark.h>

static void BM_SystemClockLocalMinute(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) benchmark::DoNotOptimize(clock.LocalMinute());
}
BENCHMARK(BM_SystemClockLocalMinute);

BENCHMARK_MAIN();
