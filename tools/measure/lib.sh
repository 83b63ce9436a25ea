# Helpers of tools/measure.sh: reading a process's clocks and memory from /proc, the
# private font cache, and small arithmetic. Sourced, not run.

# Debian's own Python carries python3-xlib; a python3 earlier on PATH may not.
PYTHON=/usr/bin/python3

# private_font_cache DIR: fontconfig reads a configuration whose only cache is DIR,
# warmed here once, so that no other process's cache writes (a faked clock makes
# fontconfig rewrite its caches) change what a start costs.
private_font_cache() {
    local dir=$1
    mkdir -p "$dir/cache"
    cat >"$dir/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
  <cachedir>$dir/cache</cachedir>
</fontconfig>
CONF
    export FONTCONFIG_FILE="$dir/fonts.conf"
    fc-cache >/dev/null 2>&1 || true
}

# measure_desktop NAME SCALE: the setting every measurement runs in, in this shell. A work
# folder /tmp/NAME.XXXXXX (WORK, with bin/ and config/) removed on exit with every process
# listed in PIDS; fresh settings, cache and runtime folders; xcb at QT_SCALE_FACTOR SCALE;
# the private font cache; an Xvfb screen of 1280 x 1024 times SCALE (DISPLAY) and an
# XEmbed tray host on it, as on a desktop, so every tray icon docks.
measure_desktop() {
    local name=$1 scale=$2
    WORK=$(mktemp -d "/tmp/$name.XXXXXX")
    PIDS=()
    trap measure_cleanup EXIT
    mkdir -p "$WORK/bin" "$WORK/config"
    export XDG_CONFIG_HOME="$WORK/config" XDG_CACHE_HOME="$WORK/cache"
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    if [[ $scale != 1 ]]; then export QT_SCALE_FACTOR=$scale; else unset QT_SCALE_FACTOR; fi
    unset QT_QPA_PLATFORMTHEME QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_XCB_NO_MITSHM HORAVANE_REPORT_PAINT
    private_font_cache "$WORK/fonts"
    Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((1024 * scale))x24" -nolisten tcp -noreset \
        3>"$WORK/display" 2>/dev/null &
    PIDS+=($!)
    for _ in $(seq 100); do [[ -s "$WORK/display" ]] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$WORK/display")"
    trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 \
        --transparent false >/dev/null 2>&1 &
    PIDS+=($!)
    sleep 0.5
}

measure_cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}

# cpu_ns PID: CPU time of all the process's threads in nanoseconds (scheduler's own
# accounting, finer than the 10 ms ticks of /proc/PID/stat).
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d\n", s}'
}

# wakeups PID [voluntary]: context switches of all the process's threads, voluntary
# (the thread slept and was woken) plus involuntary (preempted), or voluntary only.
wakeups() {
    local kinds='voluntary|nonvoluntary'
    [[ ${2:-} == voluntary ]] && kinds=voluntary
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk -v k="^($kinds)_ctxt_switches:" '$0 ~ k {s += $2} END {print s + 0}'
}

# stop PID: ends a process that is not a child of this shell and waits until it is gone.
stop() {
    kill -TERM "$1" 2>/dev/null || return 0
    for _ in $(seq 500); do
        # Gone, or a zombie that only its new parent can reap.
        [[ -d /proc/$1 ]] && [[ $(sed 's/.*) //' /proc/"$1"/stat 2>/dev/null | cut -c1) != Z ]] || return 0
        sleep 0.01
    done
    kill -KILL "$1" 2>/dev/null || true
}

# threads PID: how many threads the process has.
threads() { awk '/^Threads:/ {print $2}' /proc/"$1"/status; }

# mem_kb PID FIELD: a field of /proc/PID/smaps_rollup (Rss, Pss, ...) in kB.
mem_kb() { awk -v f="$2:" '$1 == f {print $2}' /proc/"$1"/smaps_rollup; }

# median N...: the median of numbers (the lower middle one of an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# per_minute COUNT SECONDS: COUNT scaled from SECONDS to one minute, rounded.
per_minute() { awk -v c="$1" -v s="$2" 'BEGIN {printf "%d\n", c * 60 / s + 0.5}'; }

# ratio A B: A / B to two decimals, or "-" when B is zero.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b == 0) print "-"; else printf "%.2f\n", a / b}'; }

# verdict OK-EXPRESSION: "ok" or "MISSED" by an awk condition.
verdict() { awk "BEGIN {print (($1) ? \"ok\" : \"MISSED\")}"; }
