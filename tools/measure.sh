#!/usr/bin/env bash
# Measures the program side by side with two bare Qt windows of its size with a tray
# icon (bench/BareWindow.cpp): one that does nothing, and one that blinks a caption once
# a second as the reference clock does (the honest floor of an idle clock). All run
# under Xvfb with a tray host, in a D-Bus session and with a font cache of their own:
#   - launch to mapped window, timed from the X server's MapNotify event, and launch to
#     the program's first complete paint (clocks and chart); medians of --runs rounds
#     that alternate the three programs (after one warm-up start each);
#   - RSS and PSS after --settle seconds, then CPU time and wakeups over --idle seconds;
#     the three run at once, medians of --rounds rounds;
#   - how late after each change of the minute the chart reaches the screen;
# then runs the Google Benchmark programs of bench/ and prints their figures.
# The report also goes to <build>/measure-report.txt.
#
# usage: tools/measure.sh [--build DIR] [--exe PROGRAM] [--runs N] [--rounds N]
#                         [--settle S] [--idle S] [--scale N] [--no-bench]
#   --exe measures another build of the program against the same bare windows.
#   --scale runs everything, benchmarks too, at that device pixel ratio (QT_SCALE_FACTOR)
#   on a screen as many times larger.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-measure
EXE="" RUNS=9 ROUNDS=3 SETTLE=30 IDLE=60 SCALE=1 BENCH=1
usage() {
    echo "usage: $0 [--build DIR] [--exe PROGRAM] [--runs N] [--rounds N] [--settle S] [--idle S] [--scale N] [--no-bench]" >&2
    exit 2
}
while [[ $# -gt 0 ]]; do
    case $1 in
        --build) BUILD=$(readlink -f "$2"); shift 2 ;;
        --exe) EXE=$(readlink -f "$2"); shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --rounds) ROUNDS=$2; shift 2 ;;
        --settle) SETTLE=$2; shift 2 ;;
        --idle) IDLE=$2; shift 2 ;;
        --scale) SCALE=$2; shift 2 ;;
        --no-bench) BENCH=0; shift ;;
        *) usage ;;
    esac
done
source "$ROOT/tools/measure/lib.sh"

if [[ -z "${MEASURE_IN_SESSION:-}" ]]; then
    echo "== building in $BUILD" >&2
    # A fresh build directory is optimised; an existing one keeps the type it was made with.
    if [[ -f "$BUILD/CMakeCache.txt" ]]; then
        cmake -S "$ROOT" -B "$BUILD" >/dev/null
    else
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    targets=(horavane)
    if ((BENCH)); then
        for src in "$ROOT"/bench/*_bench.cpp; do targets+=("$(basename "$src" .cpp)"); done
    fi
    cmake --build "$BUILD" --target "${targets[@]}" >/dev/null
    # Built the way the program is: optimised, position-independent as Qt requires.
    # shellcheck disable=SC2046
    g++ -std=c++20 -O2 -fPIC -Wall -Wextra "$ROOT/bench/BareWindow.cpp" \
        $(pkg-config --cflags --libs Qt6Widgets) -o "$BUILD/barewindow"
    export MEASURE_IN_SESSION=1
    exec dbus-run-session -- bash "$0" --build "$BUILD" ${EXE:+--exe "$EXE"} --runs "$RUNS" \
        --rounds "$ROUNDS" --settle "$SETTLE" --idle "$IDLE" --scale "$SCALE" $( ((BENCH)) || echo --no-bench)
fi

# The program keeps its settings beside itself: it runs as a copy in a folder of ours.
measure_desktop horavane-measure "$SCALE"
cp "${EXE:-$BUILD/horavane}" "$WORK/bin/horavane"
cp "$BUILD/barewindow" "$WORK/bin/barewindow"

LAUNCH=("$PYTHON" "$ROOT/tools/measure/launch.py" --stderr "$WORK/stderr")
WHO=(prog bare blink)
declare -A TITLE=([prog]="Horavane 2.0" [bare]="Bare window" [blink]="Bare window blinking")
declare -A ARGS=([prog]="" [bare]="" [blink]="--blink")
declare -A EXE_OF=([prog]="$WORK/bin/horavane" [bare]="$WORK/bin/barewindow" [blink]="$WORK/bin/barewindow")

# launch WHO [FLAGS...]: launch.py's line for one start of that program.
launch() {
    local who=$1; shift
    # shellcheck disable=SC2086  # ARGS holds no blanks but separates arguments
    "${LAUNCH[@]}" "$@" "${TITLE[$who]}" "${EXE_OF[$who]}" ${ARGS[$who]} ||
        { echo "== $who did not start; its stderr:" >&2; cat "$WORK/stderr" >&2; exit 1; }
}

# start WHO: one start, timed; the program also reports its first complete paint.
start() {
    if [[ $1 == prog ]]; then launch "$1" --paint; else launch "$1"; fi
}

echo "== start-up: $RUNS rounds of the three in turn (after a warm-up start each)" >&2
for who in "${WHO[@]}"; do start "$who" >/dev/null; done
declare -A MAPPED CPU PAINT PAINTCPU
for ((i = 0; i < RUNS; ++i)); do
    for who in "${WHO[@]}"; do
        line=$(start "$who")
        read -r m c p pc <<<"$line"
        MAPPED[$who]+="$m " CPU[$who]+="$c "; PAINT[$who]+="$p " PAINTCPU[$who]+="$pc "
    done
done
for who in "${WHO[@]}"; do
    # shellcheck disable=SC2086
    declare "${who}_mapped=$(median ${MAPPED[$who]})" "${who}_cpu=$(median ${CPU[$who]})"
done
# shellcheck disable=SC2086
prog_paint=$(median ${PAINT[prog]}) prog_paintcpu=$(median ${PAINTCPU[prog]})

echo "== $ROUNDS rounds: memory after ${SETTLE} s, then CPU and wakeups over ${IDLE} s idle" >&2
declare -A RSS PSS IDLECPU VOLUNTARY WAKE threads_of
for ((r = 0; r < ROUNDS; ++r)); do
    declare -A PID=()
    for who in "${WHO[@]}"; do
        PID[$who]=$(launch "$who" --keep | tail -n1)
        PIDS+=("${PID[$who]}")
    done
    sleep "$SETTLE"
    declare -A CPU0=() VOL0=() WAKE0=()
    for who in "${WHO[@]}"; do
        pid=${PID[$who]}
        RSS[$who]+="$(mem_kb "$pid" Rss) " PSS[$who]+="$(mem_kb "$pid" Pss) "
        CPU0[$who]=$(cpu_ns "$pid") VOL0[$who]=$(wakeups "$pid" voluntary) WAKE0[$who]=$(wakeups "$pid")
    done
    # The watcher runs as long as the idle time and is waited for with it.
    "$PYTHON" "$ROOT/tools/measure/redraws.py" "${TITLE[prog]}" "$IDLE" >>"$WORK/late" &
    watcher=$!
    sleep "$IDLE"
    wait "$watcher" || true
    for who in "${WHO[@]}"; do
        pid=${PID[$who]}
        kill -0 "$pid" || { echo "$who ended during the idle time" >&2; exit 1; }
        IDLECPU[$who]+="$(per_minute $((($(cpu_ns "$pid") - CPU0[$who]) / 1000000)) "$IDLE") "
        VOLUNTARY[$who]+="$(per_minute $(($(wakeups "$pid" voluntary) - VOL0[$who])) "$IDLE") "
        WAKE[$who]+="$(per_minute $(($(wakeups "$pid") - WAKE0[$who])) "$IDLE") "
        threads_of[$who]=$(threads "$pid")
        stop "$pid"
    done
done
for who in "${WHO[@]}"; do
    # shellcheck disable=SC2086
    declare "${who}_rss=$(median ${RSS[$who]})" "${who}_pss=$(median ${PSS[$who]})" \
        "${who}_idle=$(median ${IDLECPU[$who]})" "${who}_vol=$(median ${VOLUNTARY[$who]})" \
        "${who}_wake=$(median ${WAKE[$who]})"
done
# shellcheck disable=SC2046
late=$( [[ -s "$WORK/late" ]] && printf 'median %s, largest %s (%s redraws)' \
    "$(median $(cat "$WORK/late"))" "$(sort -n "$WORK/late" | tail -n1)" "$(wc -l <"$WORK/late")" ||
    echo "no redraw seen")

# shellcheck disable=SC2154  # the figures above are declared by name
{
    echo "Horavane against bare Qt $(pkg-config --modversion Qt6Widgets) windows of its size with a tray icon"
    echo "($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end, $(uname -r),"
    echo " Xvfb, trayer as tray host; device pixel ratio $SCALE; $(date -u +%Y-%m-%d); ${EXE:-$BUILD/horavane})"
    echo
    row() { printf '%-40s %10s %10s %10s %7s  %-22s %s\n' "$@"; }
    row "" "Horavane" "bare" "blinking" "ratio" "goal" ""
    row "launch to mapped window, ms" "$prog_mapped" "$bare_mapped" "$blink_mapped" \
        "$(ratio "$prog_mapped" "$bare_mapped")" "<= 1.3x bare" "$(verdict "$prog_mapped <= 1.3 * $bare_mapped")"
    row "launch to first complete paint, ms" "$prog_paint" "" "" \
        "$(ratio "$prog_paint" "$bare_mapped")" "<= 1.5x bare mapped" "$(verdict "$prog_paint <= 1.5 * $bare_mapped")"
    row "  CPU used until mapped, ms" "$prog_cpu" "$bare_cpu" "$blink_cpu" "$(ratio "$prog_cpu" "$bare_cpu")" "" ""
    row "  CPU used until painted, ms" "$prog_paintcpu" "" "" "" "" ""
    row "RSS after ${SETTLE} s, kB" "$prog_rss" "$bare_rss" "$blink_rss" \
        "$(ratio "$prog_rss" "$bare_rss")" "<= 1.25x bare" "$(verdict "$prog_rss <= 1.25 * $bare_rss")"
    row "PSS after ${SETTLE} s, kB" "$prog_pss" "$bare_pss" "$blink_pss" "$(ratio "$prog_pss" "$bare_pss")" "" ""
    row "CPU per idle minute, ms" "$prog_idle" "$bare_idle" "$blink_idle" \
        "$(ratio "$prog_idle" "$blink_idle")" "<= 1.0x blinking" "$(verdict "$prog_idle <= $blink_idle")"
    row "voluntary wakeups per idle minute" "$prog_vol" "$bare_vol" "$blink_vol" "" "<= 80" \
        "$(verdict "$prog_vol <= 80")"
    row "  all wakeups per idle minute" "$prog_wake" "$bare_wake" "$blink_wake" "" "" ""
    row "threads" "${threads_of[prog]}" "${threads_of[bare]}" "${threads_of[blink]}" "" "" ""
    echo
    echo "The chart on screen after each change of the minute, ms late: $late"
    echo "Ratios: start-up and memory against the bare window, idle CPU against the blinking"
    echo "one. Both bare windows also run an empty 300 ms timer, as the program once did."
    echo
    echo "samples (launch to mapped, ms): Horavane ${MAPPED[prog]}; bare ${MAPPED[bare]}; blinking ${MAPPED[blink]}"
    echo "samples (launch to painted, ms): Horavane ${PAINT[prog]}"
    echo "samples (CPU until mapped, ms): Horavane ${CPU[prog]}; bare ${CPU[bare]}; blinking ${CPU[blink]}"
    echo "samples (CPU per idle minute, ms): Horavane ${IDLECPU[prog]}; blinking ${IDLECPU[blink]}"
    echo "samples (voluntary wakeups per idle minute): Horavane ${VOLUNTARY[prog]}; blinking ${VOLUNTARY[blink]}"
    if ((BENCH)); then
        echo
        echo "Google Benchmark (CPU time per iteration; real time is inflated by the machine's load)"
        for bin in "$BUILD"/bench/*_bench; do
            QT_QPA_PLATFORM=offscreen HORAVANE_SOURCE_DIR=$ROOT "$bin" \
                --benchmark_format=csv --benchmark_min_time=0.2 2>/dev/null |
                awk -F, -v prog="$(basename "$bin")" '
                    /^name,/ {for (i = 1; i <= NF; ++i) {gsub(/"/, "", $i); col[$i] = i}; go = 1; next}
                    go && NF > 4 {
                        gsub(/"/, "", $1)
                        extra = ""
                        if (("heap_peak_kB" in col) && $col["heap_peak_kB"] != "")
                            extra = sprintf("  heap peak %s kB", $col["heap_peak_kB"])
                        printf "  %-22s %-40s %12.3f %s%s\n", prog, $1, $4, $5, extra
                    }'
        done
    fi
} | tee "$BUILD/measure-report.txt"
if [[ -s "$WORK/stderr" ]]; then
    echo >&2; echo "stderr of the programs:" >&2; cat "$WORK/stderr" >&2
fi
