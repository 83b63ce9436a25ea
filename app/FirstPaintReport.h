#pragma once
// A measuring aid for tools/measure.sh: with HORAVANE_REPORT_PAINT set in the
// environment, the program writes one line to stderr once its main window has been
// painted complete, clocks and chart, and handed to the display:
//     horavane: first complete paint MONOTONIC_NS CPU_NS
// the CLOCK_MONOTONIC instant and the process's CPU time then, both in nanoseconds.
// Without the variable nothing is watched and nothing is written.

class TForm1;

void WatchFirstCompletePaint(TForm1& form);
