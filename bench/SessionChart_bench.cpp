// The once-a-minute chart composition: map copy, current-hour column, seven bars
// blended and three strips copied, with every element repainting and with none; at
// device pixel ratio 1 and 2 (the argument), four times the pixels and the texts drawn
// at that resolution.

#include "sessions/SessionChart.h"
#include "sessions/SessionTable.h"
#include "sessions/TradingWeek.h"

#include "support/FakeClock.h"
#include "timezones/TimeFormat.h"
#include "timezones/ZoneClock.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

TIME_ZONE_INFORMATION Zone(int bias, bool northAmericanDst) {
    TIME_ZONE_INFORMATION zone;
    zone.Bias = bias;
    if (northAmericanDst) {
        zone.DaylightBias = -60;
        zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
        zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
    }
    return zone;
}

struct Chart {
    FakeClock clock;
    TIME_ZONE_INFORMATION chartZone = MakeChartZone(Zone(300, true));
    TSessionTable table;
    QImage map;
    QImage pixel = MakeHourHighlightPixel();
    QImage bitmap;

    explicit Chart(int ratio)
        : map(kChartWidth * ratio, kChartHeight * ratio, QImage::Format_RGB32),
          bitmap(MakeChartBitmap(kChartWidth, kChartHeight, ratio)) {
        clock.SetUtc("2026-01-15T10:00:00");
        map.fill(qRgb(0xAD, 0xD8, 0xE6));
        table = CreateSessionTable({37.5, 37, double(ratio)}, clock.UtcMs(),
                                   {chartZone, Zone(360, true), Zone(300, true), Zone(-180, false)});
    }
    void Compose() {
        PaintElementsFor(table, clock.UtcMs());
        ComposeChart(bitmap, map, pixel, 12, table.SessionList, table.OverlapList);
    }
};

void BM_ComposeAllRepainting(benchmark::State& state) {
    Chart chart(int(state.range(0)));
    for (auto _ : state) {
        chart.clock.Advance(60'000);  // a new minute: all ten elements repaint
        chart.Compose();
        benchmark::DoNotOptimize(chart.bitmap.constBits());
    }
}
BENCHMARK(BM_ComposeAllRepainting)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_ComposeNoneRepainting(benchmark::State& state) {
    Chart chart(int(state.range(0)));
    chart.Compose();
    for (auto _ : state) {
        chart.Compose();  // the same minute: the cached bitmaps are reused
        benchmark::DoNotOptimize(chart.bitmap.constBits());
    }
}
BENCHMARK(BM_ComposeNoneRepainting)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// What a bar's state costs when it is worked out afresh (once per opening or closing; in
// between the bar keeps it): the worst case, Saturday, searches to Monday's session.
void BM_SessionStateOverTheWeekend(benchmark::State& state) {
    const TIME_ZONE_INFORMATION newYork = Zone(300, true);
    const TSessionSchedule london(10 / 24.0, 19 / 24.0, MakeChartZone(newYork),
                                  TTradingDays::CurrencyMarket(TTradingWeek(newYork)));
    FakeClock clock;
    clock.SetUtc("2026-01-17T10:00:00");
    const qint64 saturday = clock.UtcMs();
    for (auto _ : state) benchmark::DoNotOptimize(london.StateAt(saturday));
}
BENCHMARK(BM_SessionStateOverTheWeekend)->Unit(benchmark::kMicrosecond);

}  // namespace
