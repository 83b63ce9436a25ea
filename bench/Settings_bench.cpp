// Speed of the five clock texts a minute change sets, of a tile repaint, and of the
// settings reads and writes start-up and the editor make.
#include "clocks/MainCapital.h"
#include "support/FakeClock.h"
#include "settings/Settings.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

TIME_ZONE_INFORMATION WithDaylight(int biasMinutes) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = biasMinutes;
    zone.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    zone.DaylightBias = -60;
    return zone;
}

std::vector<std::unique_ptr<TMainCapital>> FiveCapitals() {
    std::vector<std::unique_ptr<TMainCapital>> capitals;
    const int biases[] = {0, 300, -540, -600, -180};
    const char* names[] = {"London", "NewYork", "Tokyo", "Sydney", "Moscow"};
    for (int i = 0; i < 5; ++i)
        capitals.push_back(std::make_unique<TMainCapital>(names[i], WithDaylight(biases[i]), 0x00126137));
    return capitals;
}

// What UpdateClocks does for the five time panels: one sample, five texts.
void BM_FiveClockTexts(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-03-29T00:59:00");
    const auto capitals = FiveCapitals();
    for (auto _ : state) {
        const SYSTEMTIME sample = clock.UtcNow();
        for (const auto& capital : capitals) benchmark::DoNotOptimize(capital->TimeTextAt(sample));
        clock.Advance(60'000);
    }
}
BENCHMARK(BM_FiveClockTexts);

void BM_RenderFiveTiles(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-03-29T00:59:00");
    const auto capitals = FiveCapitals();
    const SYSTEMTIME sample = clock.UtcNow();
    for (auto _ : state)
        for (const auto& capital : capitals)
            benchmark::DoNotOptimize(capital->RenderImage(capital->TimeTextAt(sample)).constBits());
}
BENCHMARK(BM_RenderFiveTiles);

// Start-up's ReadCapitals: five clocks from a full file.
void BM_ReadFiveCapitals(benchmark::State& state) {
    QTemporaryDir dir;
    const TSettings settings(dir.filePath("horavane.ini"));
    FakeClock clock;
    auto capitals = FiveCapitals();
    for (int i = 0; i < 5; ++i) settings.WriteCapital(i, *capitals[i]);
    for (auto _ : state)
        for (int i = 0; i < 5; ++i) settings.ReadCapital(i, *capitals[i]);
}
BENCHMARK(BM_ReadFiveCapitals);

// The editor's confirmation: three keys, each an atomic replace of the file.
void BM_WriteCapital(benchmark::State& state) {
    QTemporaryDir dir;
    const TSettings settings(dir.filePath("horavane.ini"));
    FakeClock clock;
    const auto capitals = FiveCapitals();
    for (auto _ : state) settings.WriteCapital(2, *capitals[2]);
}
BENCHMARK(BM_WriteCapital);

}  // namespace
