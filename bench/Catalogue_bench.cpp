// Start-up cost of the zone catalogue: building the "Time Zones" key from tzdata,
// taking the one an earlier start kept, reading the embedded fallback, and loading the
// catalogue from the built key.
#include "platform/RegExport.h"
#include "timezones/TimeZones.h"
#include "timezones/TzCatalogue.h"
#include "timezones/TzCatalogueCache.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const qint64 kStart = StartOfUtcYearMs(2026);

TzCatalogueOptions Uncached() {
    TzCatalogueOptions options;
    options.cacheFolder.clear();
    return options;
}

// The first build of the process reads and parses every tz file; Qt keeps them after.
// A start with no kept catalogue (the first, or the first of a year) pays this.
void BM_BuildFromTzdataColdStart(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart, Uncached()));
}
BENCHMARK(BM_BuildFromTzdataColdStart)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BuildFromTzdata(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart, Uncached()));
}
BENCHMARK(BM_BuildFromTzdata)->Unit(benchmark::kMillisecond);

// What every other start pays: the key (the tz database's files looked at), the kept
// file read and checked, the registry made of its rows.
void BM_TakeKeptCatalogue(benchmark::State& state) {
    QTemporaryDir cache;
    TzCatalogueOptions options;
    options.cacheFolder = cache.path();
    BuildZoneRegistryAt(kStart, options);
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart + 60'000, options));
}
BENCHMARK(BM_TakeKeptCatalogue)->Unit(benchmark::kMillisecond);

void BM_CatalogueKey(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CatalogueCacheKey(QStringLiteral("/usr/share/zoneinfo")));
}
BENCHMARK(BM_CatalogueKey)->Unit(benchmark::kMicrosecond);

void BM_BuildFromEmbeddedFallback(benchmark::State& state) {
    TzCatalogueOptions options = Uncached();
    options.forceFallback = true;
    for (auto _ : state) benchmark::DoNotOptimize(BuildZoneRegistryAt(kStart, options));
}
BENCHMARK(BM_BuildFromEmbeddedFallback)->Unit(benchmark::kMillisecond);

void BM_LoadTimeZones(benchmark::State& state) {
    const TRegistry registry = BuildZoneRegistryAt(kStart, Uncached()).registry;
    for (auto _ : state) {
        TTimeZoneList list;
        LoadTimeZones(registry, list, {});
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_LoadTimeZones)->Unit(benchmark::kMillisecond);

}  // namespace
