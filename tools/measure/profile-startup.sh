#!/usr/bin/env bash
# Counts the instructions of one start of the program up to its first complete paint
# under callgrind, in the setting of tools/measure.sh (Xvfb, trayer, a D-Bus session, a
# private font cache, fresh settings and cache folders), and prints the costliest
# functions, inclusive. Instruction counts are repeatable on a busy machine where times
# are not; compare two builds with two runs of this.
#
# usage: tools/measure/profile-startup.sh PROGRAM [OUT] [--cache warm|cold]
#   OUT     the callgrind file (default /tmp/horavane-startup.callgrind); annotate it with
#           callgrind_annotate --inclusive=yes OUT
#   --cache cold (the default) starts with an empty cache folder; warm starts the
#           program once first, so what it keeps between starts is there.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
[[ $# -ge 1 ]] || { sed -n '2,13p' "$0" >&2; exit 2; }
EXE=$(readlink -f "$1"); shift
OUT=/tmp/horavane-startup.callgrind
CACHE=cold
while [[ $# -gt 0 ]]; do
    case $1 in
        --cache) CACHE=$2; shift 2 ;;
        *) OUT=$(readlink -f "$1"); shift ;;
    esac
done
source "$ROOT/tools/measure/lib.sh"

if [[ -z "${MEASURE_IN_SESSION:-}" ]]; then
    export MEASURE_IN_SESSION=1
    exec dbus-run-session -- bash "$0" "$EXE" "$OUT" --cache "$CACHE"
fi

measure_desktop horavane-profile 1
cp "$EXE" "$WORK/bin/horavane"

# run_until_painted COMMAND...: starts it with the paint report on and ends it (TERM)
# once the report comes; callgrind writes its file on the way out.
run_until_painted() {
    local fifo=$WORK/stderr
    rm -f "$fifo"; mkfifo "$fifo"
    HORAVANE_REPORT_PAINT=1 "$@" 2>"$fifo" &
    local pid=$!
    if ! timeout 120 grep -q -m1 '^horavane: first complete paint' <"$fifo"; then
        echo "no paint report from $*" >&2
    fi
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

[[ $CACHE == warm ]] && run_until_painted "$WORK/bin/horavane"
run_until_painted valgrind --tool=callgrind --callgrind-out-file="$OUT" "$WORK/bin/horavane"
callgrind_annotate --inclusive=yes "$OUT" 2>/dev/null | sed -n '1,60p'
