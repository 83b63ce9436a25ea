#!/usr/bin/env bash
# Where a program's resident memory lies: starts PROGRAM (and the bare window of
# tools/measure.sh, built into BUILD by it) in the setting of tools/measure.sh, waits
# SETTLE seconds, and lists the resident kB of each, mapping by mapping (libraries by
# name, the heap, anonymous memory), largest first, side by side.
#
# usage: tools/measure/memory-map.sh PROGRAM [BARE-WINDOW] [SETTLE]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
[[ $# -ge 1 ]] || { sed -n '2,7p' "$0" >&2; exit 2; }
EXE=$(readlink -f "$1")
BARE=$(readlink -f "${2:-$ROOT/build-measure/barewindow}")
SETTLE=${3:-30}
source "$ROOT/tools/measure/lib.sh"

if [[ -z "${MEASURE_IN_SESSION:-}" ]]; then
    export MEASURE_IN_SESSION=1
    exec dbus-run-session -- bash "$0" "$EXE" "$BARE" "$SETTLE"
fi

measure_desktop horavane-memory 1
cp "$EXE" "$WORK/bin/horavane"

"$WORK/bin/horavane" 2>/dev/null &
prog=$!; PIDS+=("$prog")
"$BARE" 2>/dev/null &
bare=$!; PIDS+=("$bare")
sleep "$SETTLE"

# rss_by_mapping PID: "name kB" lines, one per mapped file or kind of anonymous memory.
rss_by_mapping() {
    awk '
        /^[0-9a-f]+-[0-9a-f]+ / {
            name = $6
            if (name == "") name = "[anonymous]"
            sub(/.*\//, "", name)
            next
        }
        $1 == "Rss:" { rss[name] += $2 }
        END { for (n in rss) if (rss[n] > 0) print n, rss[n] }' /proc/"$1"/smaps
}
rss_by_mapping "$prog" | sort >"$WORK/prog"
rss_by_mapping "$bare" | sort >"$WORK/bare"
printf '%-44s %9s %9s %9s\n' "mapping" "program" "bare" "more"
join -a1 -a2 -e0 -o 0,1.2,2.2 "$WORK/prog" "$WORK/bare" |
    awk '{printf "%-44s %9d %9d %9d\n", $1, $2, $3, $2 - $3}' | sort -k4,4nr -k2,2nr
printf '%-44s %9d %9d\n' "total (RSS)" "$(mem_kb "$prog" Rss)" "$(mem_kb "$bare" Rss)"
