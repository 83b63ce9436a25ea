// Start-up cost of the world map: decoding the embedded baseline JPEG.
#include "worldmap/WorldMapCapital.h"
#include "worldmap/WorldMapPicture.h"

#include "support/FakeClock.h"

#include <QFile>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

static void BM_DecodeWorldMap(benchmark::State& state) {
    QFile file(kWorldMapResource);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (auto _ : state) benchmark::DoNotOptimize(DecodeMapPicture(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeWorldMap)->Unit(benchmark::kMillisecond);

// The picture at scale 1 and the one at scale 2 (the argument).
static void BM_LoadWorldMapPicture(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(LoadWorldMapPicture(int(state.range(0))));
}
BENCHMARK(BM_LoadWorldMapPicture)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A mouse move over the map: scan of the thirteen markers, a miss and a hit.
static void BM_MarkerHover(benchmark::State& state) {
    TWorldMapCapitalsList markers;
    for (const TWorldMapMarkerRow& row : kWorldMapMarkers)
        AddMarkersForKey(markers, QString::fromLatin1(row.KeyName), TIME_ZONE_INFORMATION{});
    FakeClock clock;
    const QPoint point = state.range(0) ? QPoint(650, 243) : QPoint(10, 10);
    for (auto _ : state) benchmark::DoNotOptimize(MarkerHintAt(markers, point, clock.UtcMs()));
}
BENCHMARK(BM_MarkerHover)->Arg(0)->Arg(1);
