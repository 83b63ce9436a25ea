#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <benchmark/benchmark.h>

namespace {

TIME_ZONE_INFORMATION Eastern() {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = 300;
    zone.DaylightBias = -60;
    zone.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0};
    zone.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};
    return zone;
}

const SYSTEMTIME kSample{2026, 7, 3, 15, 12, 34, 56, 789};

}  // namespace

static void BM_ZoneNowWithDaylightRule(benchmark::State& state) {
    const TIME_ZONE_INFORMATION zone = Eastern();
    SYSTEMTIME utc = kSample;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZoneNow(zone, utc));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ZoneNowWithDaylightRule);

static void BM_ZoneNowWithoutDaylight(benchmark::State& state) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = -180;
    for (auto _ : state) benchmark::DoNotOptimize(ZoneNow(zone, kSample));
}
BENCHMARK(BM_ZoneNowWithoutDaylight);

static void BM_ZoneHourOffset(benchmark::State& state) {
    const TIME_ZONE_INFORMATION zone = Eastern();
    const TIME_ZONE_INFORMATION chart = MakeChartZone(zone);
    for (auto _ : state) benchmark::DoNotOptimize(ZoneHourOffset(zone, chart, kSample));
}
BENCHMARK(BM_ZoneHourOffset);

static void BM_ZoneTimeText(benchmark::State& state) {
    const TIME_ZONE_INFORMATION zone = Eastern();
    for (auto _ : state) benchmark::DoNotOptimize(ZoneTimeText(zone, kSample));
}
BENCHMARK(BM_ZoneTimeText);

static void BM_ZoneTimeTextTwelveHour(benchmark::State& state) {
    const TIME_ZONE_INFORMATION zone = Eastern();
    TimeFormatSettings settings;
    settings.twelveHour = true;
    SetCurrentTimeFormatSettings(settings);
    for (auto _ : state) benchmark::DoNotOptimize(ZoneTimeText(zone, kSample));
}
BENCHMARK(BM_ZoneTimeTextTwelveHour);
