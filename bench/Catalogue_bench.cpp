// Start-up cost of the zone catalogue: building the "Time Zones" key from tzdata,
// reading the embedded fallback, and loading the catalogue from the built key.
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

const qint64 kStart = StartOfUtcYearMs(2026);

// The first build of the process reads and parses every tz file; Qt keeps them after.
void BM_BuildFromTzdataColdStart(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart));
}
BENCHMARK(BM_BuildFromTzdataColdStart)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuildFromTzdata(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart));
}
BENCHMARK(BM_BuildFromTzdata)->Unit(benchmark::kMillisecond);

void BM_BuildFromEmbeddedFallback(benchmark::State& state) {
    TzCatalogueOptions options;
    options.forceFallback = true;
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart, options));
}
BENCHMARK(BM_BuildFromEmbeddedFallback)->Unit(benchmark::kMillisecond);

void BM_LoadTimeZones(benchmark::State& state) {
    const TRegistry registry = BuildZoneRegistryAt(kStart).registry;
    for (auto _ : state) {
        TTimeZoneList list;
        LoadTimeZones(registry, list, {});
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_LoadTimeZones)->Unit(benchmark::kMillisecond);

}  // namespace
