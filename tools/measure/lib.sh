# Helpers of tools/measure.sh: reading a process's clocks and memory from /proc and
# timing a window's first mapping. Sourced, not run.

# now_ns: wall-clock nanoseconds.
now_ns() { date +%s%N; }

# wait_mapped TITLE PID: waits (polling every 5 ms, at most 10 s) until a visible window
# with exactly that title exists; fails if the process ends first or it never appears.
wait_mapped() {
    local title=$1 pid=$2 i
    for ((i = 0; i < 2000; ++i)); do
        if xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1; then return 0; fi
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.005
    done
    return 1
}

# cpu_ns PID: CPU time of all the process's threads in nanoseconds (scheduler's own
# accounting, finer than the 10 ms ticks of /proc/PID/stat).
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d\n", s}'
}

# cpu_ticks PID: utime + stime of the whole process, in clock ticks (USER_HZ).
cpu_ticks() {
    # The command name in field 2 may hold blanks: count fields after its closing ')'.
    sed 's/.*) //' /proc/"$1"/stat | awk '{print $12 + $13}'
}

# wakeups PID: voluntary plus involuntary context switches of all the process's threads.
wakeups() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches:/ {s += $2} END {print s + 0}'
}

# threads PID: how many threads the process has.
threads() { awk '/^Threads:/ {print $2}' /proc/"$1"/status; }

# mem_kb PID FIELD: a field of /proc/PID/smaps_rollup (Rss, Pss, ...) in kB.
mem_kb() { awk -v f="$2:" '$1 == f {print $2}' /proc/"$1"/smaps_rollup; }

# median N...: the median of whole numbers (the lower middle one of an even count).
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# ratio A B: A / B to two decimals, or "-" when B is zero.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b == 0) print "-"; else printf "%.2f\n", a / b}'; }

# verdict OK-EXPRESSION: "ok" or "MISSED" by an awk condition.
verdict() { awk "BEGIN {print (($1) ? \"ok\" : \"MISSED\")}"; }
