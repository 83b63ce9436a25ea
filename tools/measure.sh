#!/usr/bin/env bash
# Measures the program side by side with a bare Qt window that has a tray icon and the
# same two timers (bench/BareWindow.cpp), under Xvfb with a tray host, in a D-Bus
# session of its own:
#   - start to mapped window, median of --runs (after one warm-up start each);
#   - RSS and PSS after --settle seconds;
#   - CPU time and wakeups (context switches of all threads) over --idle seconds idle;
# then runs the Google Benchmark programs of bench/ and prints their figures. A third
# process, the bare window blinking a caption once a second as the reference clock does,
# shows what that blink costs by itself.
# The report also goes to <build>/measure-report.txt.
#
# usage: tools/measure.sh [--build DIR] [--runs N] [--settle S] [--idle S] [--no-bench]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build-measure
RUNS=5 SETTLE=30 IDLE=60 BENCH=1
while [[ $# -gt 0 ]]; do
    case $1 in
        --build) BUILD=$(readlink -f "$2"); shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --settle) SETTLE=$2; shift 2 ;;
        --idle) IDLE=$2; shift 2 ;;
        --no-bench) BENCH=0; shift ;;
        *) echo "usage: $0 [--build DIR] [--runs N] [--settle S] [--idle S] [--no-bench]" >&2; exit 2 ;;
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
    exec dbus-run-session -- bash "$0" --build "$BUILD" --runs "$RUNS" --settle "$SETTLE" \
        --idle "$IDLE" $( ((BENCH)) || echo --no-bench)
fi

WORK=$(mktemp -d /tmp/horavane-measure.XXXXXX)
PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The program keeps its settings beside itself: it runs as a copy in a folder of ours.
mkdir -p "$WORK/bin" "$WORK/config"
cp "$BUILD/horavane" "$WORK/bin/horavane"
cp "$BUILD/barewindow" "$WORK/bin/barewindow"
export XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME QT_LINUX_ACCESSIBILITY_ALWAYS_ON

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
PIDS+=($!)
for _ in $(seq 100); do [[ -s "$WORK/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(cat "$WORK/display")"
# An XEmbed tray host, as on a desktop, so both tray icons dock.
trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 \
    --transparent false >/dev/null 2>&1 &
PIDS+=($!)
sleep 0.5

# start_ms EXE TITLE: "WALL CPU", the milliseconds from launch to the window being
# mapped and the CPU time the process had used by then (which the machine's other load
# does not inflate); the process is then ended and waited for.
start_ms() {
    local exe=$1 title=$2 t0 t1 cpu pid
    t0=$(now_ns)
    "$exe" >/dev/null 2>>"$WORK/stderr" &
    pid=$!
    if ! wait_mapped "$title" "$pid"; then
        echo "no window \"$title\" from $exe" >&2; cat "$WORK/stderr" >&2; exit 1
    fi
    t1=$(now_ns)
    cpu=$(cpu_ns "$pid")
    kill -TERM "$pid"; wait "$pid" 2>/dev/null || true
    echo "$(((t1 - t0) / 1000000)) $((cpu / 1000000))"
}

# start_median WHO EXE TITLE: one warm-up start, then RUNS starts; sets WHO_start and
# WHO_startcpu to the medians of wall and CPU time, WHO_starts to all wall times.
start_median() {
    local walls=() cpus=() i wall cpu
    start_ms "$2" "$3" >/dev/null
    for ((i = 0; i < RUNS; ++i)); do
        read -r wall cpu < <(start_ms "$2" "$3")
        walls+=("$wall"); cpus+=("$cpu")
    done
    declare -g "$1_start=$(median "${walls[@]}")" "$1_startcpu=$(median "${cpus[@]}")" \
        "$1_starts=${walls[*]}"
}

echo "== start-up: median of $RUNS" >&2
start_median prog "$WORK/bin/horavane" "Horavane 2.0"
start_median bare "$WORK/bin/barewindow" "Bare window"

echo "== memory after ${SETTLE} s, CPU and wakeups over ${IDLE} s idle (all at once)" >&2
"$WORK/bin/horavane" >/dev/null 2>>"$WORK/stderr" & prog=$!; PIDS+=($prog)
"$WORK/bin/barewindow" >/dev/null 2>>"$WORK/stderr" & bare=$!; PIDS+=($bare)
"$WORK/bin/barewindow" --blink >/dev/null 2>>"$WORK/stderr" & blink=$!; PIDS+=($blink)
wait_mapped "Horavane 2.0" "$prog" || { echo "the program did not map its window" >&2; exit 1; }
wait_mapped "Bare window" "$bare" || { echo "the bare window did not map" >&2; exit 1; }
wait_mapped "Bare window blinking" "$blink" || { echo "the blinking window did not map" >&2; exit 1; }
sleep "$SETTLE"
for who in prog bare blink; do
    pid=${!who}
    declare "${who}_rss=$(mem_kb "$pid" Rss)" "${who}_pss=$(mem_kb "$pid" Pss)"
    declare "${who}_cpu0=$(cpu_ns "$pid")" "${who}_tick0=$(cpu_ticks "$pid")"
    declare "${who}_wake0=$(wakeups "$pid")"
done
sleep "$IDLE"
for who in prog bare blink; do
    pid=${!who}
    kill -0 "$pid" || { echo "$who ended during the idle minute" >&2; exit 1; }
    cpu0=${who}_cpu0 tick0=${who}_tick0 wake0=${who}_wake0
    declare "${who}_cpu=$((($(cpu_ns "$pid") - ${!cpu0}) / 1000000))"
    declare "${who}_tick=$(($(cpu_ticks "$pid") - ${!tick0}))"
    declare "${who}_wake=$(($(wakeups "$pid") - ${!wake0}))"
    declare "${who}_threads=$(threads "$pid")"
done
# shellcheck disable=SC2154  # the figures above are declared by name
{
    hz=$(getconf CLK_TCK)
    echo "Horavane against a bare Qt $(pkg-config --modversion Qt6Widgets) window with a tray icon and the same two timers"
    echo "($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(uname -r), Xvfb, trayer as tray host; $(date -u +%Y-%m-%d))"
    echo
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "" "Horavane" "bare" "ratio" "target" "" "bare+blink"
    printf '%-30s %10s %10s %7s  %-12s %s\n' "start to mapped window, ms" \
        "$prog_start" "$bare_start" "$(ratio "$prog_start" "$bare_start")" "< 150 ms" \
        "$(verdict "$prog_start < 150")"
    printf '%-30s %10s %10s %7s\n' "  CPU used until mapped, ms" \
        "$prog_startcpu" "$bare_startcpu" "$(ratio "$prog_startcpu" "$bare_startcpu")"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "RSS after ${SETTLE} s, kB" \
        "$prog_rss" "$bare_rss" "$(ratio "$prog_rss" "$bare_rss")" "<= 1.3x" \
        "$(verdict "$prog_rss <= 1.3 * $bare_rss")" "$blink_rss"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "PSS after ${SETTLE} s, kB" \
        "$prog_pss" "$bare_pss" "$(ratio "$prog_pss" "$bare_pss")" "" "" "$blink_pss"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "CPU over ${IDLE} s idle, ms" \
        "$prog_cpu" "$bare_cpu" "$(ratio "$prog_cpu" "$bare_cpu")" "<= 1.2x" \
        "$(verdict "$prog_cpu <= 1.2 * $bare_cpu")" "$blink_cpu"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "  the same in $hz Hz ticks" \
        "$prog_tick" "$bare_tick" "$(ratio "$prog_tick" "$bare_tick")" "" "" "$blink_tick"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "wakeups over ${IDLE} s idle" \
        "$prog_wake" "$bare_wake" "$(ratio "$prog_wake" "$bare_wake")" "" "" "$blink_wake"
    printf '%-30s %10s %10s %7s  %-12s %-7s %s\n' "threads" "$prog_threads" "$bare_threads" \
        "" "" "" "$blink_threads"
    echo
    echo "bare+blink: the bare window whose 1000 ms timer blinks a time caption as the"
    echo "reference clock does (bench/BareWindow.cpp --blink); not part of the targets."
    echo
    echo "start-up samples, ms: Horavane $prog_starts; bare $bare_starts"
    if ((BENCH)); then
        echo
        echo "Google Benchmark (CPU time per iteration; real time is inflated by the machine's load)"
        for bin in "$BUILD"/bench/*_bench; do
            QT_QPA_PLATFORM=offscreen HORAVANE_SOURCE_DIR=$ROOT "$bin" \
                --benchmark_format=csv --benchmark_min_time=0.2 2>/dev/null |
                awk -F, -v prog="$(basename "$bin")" '
                    /^name,/ {go = 1; next}
                    go && NF > 4 {gsub(/"/, "", $1); printf "  %-22s %-40s %12.3f %s\n", prog, $1, $4, $5}'
        done
    fi
} | tee "$BUILD/measure-report.txt"
if [[ -s "$WORK/stderr" ]]; then
    echo >&2; echo "stderr of the programs:" >&2; cat "$WORK/stderr" >&2
fi
