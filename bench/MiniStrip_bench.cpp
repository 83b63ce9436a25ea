// The mini strip's minute: five tiles redrawn into one picture for the times the main
// window's minute hands it.

#include "clocks/MainCapital.h"
#include "minimode/MiniModeForm.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct Strip {
    std::vector<std::unique_ptr<TMainCapital>> capitals;
    std::unique_ptr<TMiniModeForm> form;

    Strip() {
        for (const char* name : {"London", "NewYork", "Tokyo", "Sydney", "Moscow"})
            capitals.push_back(std::make_unique<TMainCapital>(QString::fromLatin1(name),
                                                              TIME_ZONE_INFORMATION{}, 0x00126137));
        form = std::make_unique<TMiniModeForm>();
        form->AssignClocks(capitals[0].get(), capitals[1].get(), capitals[2].get(), capitals[3].get(),
                           capitals[4].get());
        form->RedrawStrip();
    }
};

void BM_RedrawStrip(benchmark::State& state) {
    Strip strip;
    strip.form->show();
    std::array<TClockFace, 5> times;
    int minute = 0;
    for (auto _ : state) {
        minute = (minute + 1) % 60;
        for (size_t i = 0; i < 5; ++i)
            times[i] = {
                strip.capitals[i]->Name, QStringLiteral("22:%1").arg(minute, 2, 10, QLatin1Char('0')), {}};
        strip.form->SetTimes(times);
    }
}
BENCHMARK(BM_RedrawStrip)->Unit(benchmark::kMicrosecond);

}  // namespace
