// The main window's tick: the minute's whole work with the window shown (the model's
// picture, the chart composed and painted, clocks, hour line, tray hint, coming events,
// balloon check) in an ordinary week and in a week of exchange holidays; the model's
// share of it and the coming events' own; a wakeup within the minute (which finds
// nothing to do); and the rare minute that reads the zone catalogue anew (New Year, a
// change of Morocco's).
// Its heap peak is counted too: this program routes every allocation through glibc's own
// allocator by way of the wrappers below.
#include "app/Main.h"
#include "app/UpcomingPanel.h"
#include "model/MainModel.h"
#include "support/FakeClock.h"
#include "sessions/UpcomingEvents.h"

#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <malloc.h>

// ---- heap accounting -------------------------------------------------------------

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<long long> heapInUse{0};
std::atomic<long long> heapPeak{0};

void* Counted(void* block) {
    if (block) {
        const long long now = heapInUse += static_cast<long long>(malloc_usable_size(block));
        long long peak = heapPeak.load(std::memory_order_relaxed);
        while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
        }
    }
    return block;
}

void Uncount(void* block) {
    if (block) heapInUse -= static_cast<long long>(malloc_usable_size(block));
}

// The peak of the heap above what was in use when it started.
class HeapPeak {
public:
    HeapPeak() : base_(heapInUse.load()) { heapPeak = base_; }
    long long Bytes() const { return heapPeak.load() - base_; }

private:
    long long base_;
};

}  // namespace

extern "C" {
void* malloc(size_t size) noexcept {
    return Counted(__libc_malloc(size));
}
void* calloc(size_t count, size_t size) noexcept {
    return Counted(__libc_calloc(count, size));
}
void* memalign(size_t alignment, size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    void* block = Counted(__libc_memalign(alignment, size));
    if (!block) return ENOMEM;
    *out = block;
    return 0;
}
void* realloc(void* block, size_t size) noexcept {
    Uncount(block);
    void* moved = __libc_realloc(block, size);
    if (moved) return Counted(moved);
    if (size != 0) Counted(block);  // refused: the old block stays
    return nullptr;
}
void free(void* block) noexcept {
    Uncount(block);
    __libc_free(block);
}
}

// ---- benchmarks ----------------------------------------------------------------------

namespace {

// Counts the chart's paints, to show the minute's work reached the screen.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Registered first: Google Benchmark's CSV output takes its columns from the first run.
// An ordinary week, or (argument 1) the week of Thanksgiving, with the exchanges' holiday
// and early close among the coming events and the bars' hours.
void BM_MinuteWithChart(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc(state.range(0) ? "2026-11-25T10:07:30" : "2026-01-15T10:07:30");
    TForm1 form(clock, {});
    form.show();
    PaintCounter counter;
    form.findChild<QWidget*>(QStringLiteral("img1"))->installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;
    long long worstPeak = 0;
    for (auto _ : state) {
        const HeapPeak peak;
        clock.Advance(60'000);  // the minute timer fires on the move and does the work
        QApplication::processEvents();  // which includes painting the new chart
        worstPeak = std::max(worstPeak, peak.Bytes());
    }
    state.counters["chart_paints"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    state.counters["heap_peak_kB"] = benchmark::Counter(double(worstPeak) / 1024.0);
}
BENCHMARK(BM_MinuteWithChart)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The coming events' share of the minute, on a Friday evening with the clock changes of
// March ahead: the lines worked out from the model's zones, and those lines shown in the
// panel, which lays them out and repaints.
void BM_ComingEventsLines(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2027-03-12T21:00:00");
    TMainModel model;
    model.StartUp(clock.UtcMs());
    const TUpcomingSources sources = model.UpcomingSources();
    TUpcomingEvents events;
    qint64 t = clock.UtcMs();
    for (auto _ : state) {
        benchmark::DoNotOptimize(events.At(sources, t));
        t += 60'000;
    }
}
BENCHMARK(BM_ComingEventsLines)->Unit(benchmark::kMicrosecond);

void BM_ComingEventsPanel(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2027-03-12T21:00:00");
    TMainModel model;
    model.StartUp(clock.UtcMs());
    const TUpcomingSources sources = model.UpcomingSources();
    TUpcomingEvents events;
    TUpcomingPanel panel;
    panel.resize(900, 105);
    panel.show();
    QApplication::processEvents();
    qint64 t = clock.UtcMs();
    for (auto _ : state) {
        panel.SetEvents(events.At(sources, t));
        QApplication::processEvents();  // the repaint
        t += 60'000;
    }
}
BENCHMARK(BM_ComingEventsPanel)->Unit(benchmark::kMicrosecond);

// The model's share of the minute: the picture, without drawing it (the bars' bitmaps
// are the chart's, above).
void BM_ModelMinute(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:07:30");
    TMainModel model;
    model.StartUp(clock.UtcMs());
    qint64 t = clock.UtcMs();
    for (auto _ : state) {
        t += 60'000;
        benchmark::DoNotOptimize(model.Tick(t));
    }
}
BENCHMARK(BM_ModelMinute)->Unit(benchmark::kMicrosecond);

// A wakeup within the minute: the clock read once, the model finds the minute shown.
void BM_TickWithinTheMinute(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-01-15T10:07:30");
    TMainModel model;
    model.StartUp(clock.UtcMs());
    model.Tick(clock.UtcMs());
    for (auto _ : state) benchmark::DoNotOptimize(model.Tick(clock.UtcMs()));
}
BENCHMARK(BM_TickWithinTheMinute);

// Each iteration crosses a New Year, one way or the other (a clock set back reads the
// catalogue anew too), so every minute rebuilds the catalogue and what follows it.
void BM_TickOnCatalogueRebuild(benchmark::State& state) {
    FakeClock clock;
    clock.SetUtc("2026-12-31T23:58:00");
    TMainModel model;
    model.StartUp(clock.UtcMs());
    const qint64 before = clock.UtcMs(), after = before + 3 * 60'000;
    bool late = false;
    for (auto _ : state) {
        late = !late;
        benchmark::DoNotOptimize(model.Tick(late ? after : before));
    }
}
BENCHMARK(BM_TickOnCatalogueRebuild)->Unit(benchmark::kMillisecond);

// The tick's one read of the clock a minute.
void BM_SystemClockRead(benchmark::State& state) {
    SystemClock clock;
    for (auto _ : state) benchmark::DoNotOptimize(clock.UtcMs());
}
BENCHMARK(BM_SystemClockRead);

}  // namespace
