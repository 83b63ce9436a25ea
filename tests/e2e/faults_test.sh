# Faults a trader's desktop throws at the program, each survived: no tray host at start,
# the tz database missing, termination signals, the settings folder read-only, and the
# wall clock jumping by hours while the program runs.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_a11y
export TZ=UTC
xdotool mousemove 5 5  # off the main window, whose map shows tooltips of its own

INI="$WORK/bin/horavane.ini"

# The text a screen reader gets for the clock after the city label NAME.
clock_of() {
    e2e_a11y_names | awk -F'\t' -v city="$1" 'found { print $2; exit } $1 == "label" && $2 == city { found = 1 }'
}
clock_is() { [[ "$(clock_of "$1")" == "$2" ]]; }

stop_program() {
    kill -TERM "$APP_PID" 2>/dev/null || true
    e2e_wait_exit || e2e_fail "the program did not end on SIGTERM"
}

no_tray_host_at_start() {
    e2e_launch
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "no main window without a tray host"
    e2e_alive || e2e_fail "the program ended without a tray host"
    e2e_start_tray
    e2e_wait_docked 10 >/dev/null || e2e_fail "the icon did not dock when the tray host appeared"
    stop_program
    e2e_stop_tray
}

signals_keep_settings() {
    local signal
    printf '[0]\r\nName=Frankfurt\r\n' >"$INI"
    cp "$INI" "$WORK/ini.before"
    for signal in TERM HUP; do
        e2e_launch
        e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "the main window did not appear"
        e2e_poll 10 clock_is Frankfurt "$(date -u +%H:%M)" || e2e_poll 3 clock_is Frankfurt "$(date -u +%H:%M)" \
            || e2e_fail "the saved clock name was not read"
        kill -"$signal" "$APP_PID"
        e2e_wait_exit || e2e_fail "SIG$signal did not end the program"
        [[ $E2E_EXIT_STATUS == 0 ]] || e2e_fail "SIG$signal ended the program with status $E2E_EXIT_STATUS"
        cmp -s "$INI" "$WORK/ini.before" || e2e_fail "SIG$signal changed the settings file"
    done
    rm -f "$INI"
}

tz_database_missing() {
    # A mount namespace of the program's own hides the tz database from it alone.
    mkdir -p "$WORK/no-zoneinfo"
    FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME="@2027-01-15 12:34:10" \
        LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 \
        unshare -m bash -c 'mount --bind "$1" /usr/share/zoneinfo && exec "$2"' _ \
        "$WORK/no-zoneinfo" "$EXE" 2>"$WORK/stderr" &
    APP_PID=$!
    PIDS+=($APP_PID)
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "no main window without the tz database"
    local city time
    for city in "London 12:34" "NewYork 07:34" "Tokyo 21:34" "Sydney 23:34" "Moscow 15:34"; do
        time=${city#* }
        e2e_poll 10 clock_is "${city% *}" "$time" || e2e_fail "without the tz database ${city% *} shows '$(clock_of "${city% *}")', not $time"
    done
    stop_program
}

no_tray_host_at_start
signals_keep_settings
tz_database_missing
echo "PASS: no tray host at start, SIGTERM/SIGHUP keep the settings, tz database missing"
