// The mini strip's timer: the common case (minute unchanged) and the minute's redraw
// of five tiles into one picture.

#include "clocks/MainCapital.h"
#include "minimode/MiniModeForm.h"
#include "platform/Clock.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class NullHost : public IMiniModeHost {
public:
    void ShowMainWindow() override {}
    void ExitProgram() override {}
    void StoreMiniPosition(const QPoint&) override {}
};

struct Strip {
    FakeClock clock{1'768'514'400'000};  // 2026-01-15 22:00 UTC
    NullHost host;
    std::vector<std::unique_ptr<TMainCapital>> capitals;
    std::unique_ptr<TMiniModeForm> form;

    Strip() {
        for (const char* name : {"London", "NewYork", "Tokyo", "Sydney", "Moscow"})
            capitals.push_back(std::make_unique<TMainCapital>(QString::fromLatin1(name),
                                                              TIME_ZONE_INFORMATION{}, 0x00126137));
        form = std::make_unique<TMiniModeForm>(clock, host);
        form->AssignClocks(capitals[0].get(), capitals[1].get(), capitals[2].get(),
                           capitals[3].get(), capitals[4].get());
        form->RedrawStrip();
    }
};

void BM_TimerSameMinute(benchmark::State& state) {
    Strip strip;
    for (auto _ : state) strip.form->tmr1Timer();
}
BENCHMARK(BM_TimerSameMinute);

void BM_RedrawStrip(benchmark::State& state) {
    Strip strip;
    for (auto _ : state) {
        strip.clock.Advance(60'000);
        strip.form->tmr1Timer();
    }
}
BENCHMARK(BM_RedrawStrip)->Unit(benchmark::kMicrosecond);

}  // namespace
