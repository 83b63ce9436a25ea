#include "app/FirstPaintReport.h"

#include "app/Main.h"

#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 Nanoseconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Sees the chart's paint events; the first one after the chart was composed (the clocks
// are set by then) marks the complete window. The window's paint is flushed to the
// display before control returns to the event loop, so the line is written from there.
class TPaintWatch : public QObject {
public:
    TPaintWatch(TForm1& form, QObject* chart) : QObject(&form), form_(form) {
        chart->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && form_.ChartRedrawCount() > 0 && !reported_) {
            reported_ = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "horavane: first complete paint %lld %lld\n",
                             static_cast<long long>(Nanoseconds(CLOCK_MONOTONIC)),
                             static_cast<long long>(Nanoseconds(CLOCK_PROCESS_CPUTIME_ID)));
                std::fflush(stderr);
                deleteLater();
            });
        }
        return false;
    }

private:
    TForm1& form_;
    bool reported_ = false;
};

}  // namespace

void WatchFirstCompletePaint(TForm1& form) {
    if (!qEnvironmentVariableIsSet("HORAVANE_REPORT_PAINT")) return;
    if (QObject* chart = form.findChild<QObject*>(QStringLiteral("img1"))) new TPaintWatch(form, chart);
}
