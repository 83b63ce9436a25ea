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
