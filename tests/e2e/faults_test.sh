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
    FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 FAKETIME="@2027-01-15 12:34:10" \
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

read_only_settings_folder() {
    # Root writes anywhere: the program runs as nobody in a folder only root may write.
    printf '[0]\r\nName=Frankfurt\r\n' >"$INI"
    cp "$INI" "$WORK/ini.before"
    chmod 755 "$WORK" "$WORK/config"
    chmod 555 "$WORK/bin"
    chmod 644 "$INI"
    mkdir -m 700 -p "$WORK/nobody-runtime"
    chown nobody "$WORK/nobody-runtime"
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        env XDG_RUNTIME_DIR="$WORK/nobody-runtime" HOME="$WORK/nobody-runtime" "$EXE" 2>"$WORK/stderr" &
    APP_PID=$!
    PIDS+=($APP_PID)
    local main box
    main=$(e2e_wait_window "Horavane 2.0") || e2e_fail "no main window in a read-only folder"
    # Pick the zone below the selected one in the reference zone box (client 190, 28, 520 x 27).
    xdotool mousemove --window "$main" 450 41 click 1
    e2e_poll 5 e2e_app_has_window POPUP || e2e_fail "the zone list did not open"
    xdotool key Down Return
    message_box() { xdotool search --onlyvisible --name '^Horavane 2\.0$' | grep -vx "$main"; }
    box=$(e2e_poll 10 message_box >/dev/null && message_box | head -n1) \
        || e2e_fail "no message box when the zone could not be saved"
    [[ $(e2e_x11 windows "$APP_PID" DIALOG | cut -d' ' -f1) == *"$box"* ]] \
        || e2e_fail "the window titled \"Horavane 2.0\" is no dialog"
    e2e_screenshot "$box" "$WORK/read-only-message.png"
    e2e_x11 close "$box"  # the box's close button: its only button, OK
    e2e_poll 5 e2e_not_viewable "$box" || e2e_fail "the message box did not close"
    e2e_alive || e2e_fail "the program ended after the failed write"
    e2e_viewable "$main" || e2e_fail "the main window went away after the failed write"
    cmp -s "$INI" "$WORK/ini.before" || e2e_fail "the settings file changed in a read-only folder"
    stop_program
    chmod 755 "$WORK/bin"
    rm -f "$INI"
}

# The wall clock as libfaketime reads it from a file: an offset from the real time.
set_wall_clock() {
    printf '%+d\n' "$(($(date -u -d "$1" +%s) - $(date -u +%s)))" >"$WORK/faketime"
}

balloon_count() { sort -u "$WORK/balloons" | grep -c . || true; }
balloons_are() { [[ $(balloon_count) == "$1" ]]; }

wall_clock_jumps() {
    e2e_start_tray
    set_wall_clock "2027-01-15 07:59:56"
    FAKETIME_TIMESTAMP_FILE="$WORK/faketime" FAKETIME_CACHE_DURATION=1 FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
        LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 "$EXE" 2>"$WORK/stderr" &
    APP_PID=$!
    PIDS+=($APP_PID)
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "the main window did not appear"
    # Every balloon is a window of its own: collect their ids while the clock jumps.
    : >"$WORK/balloons"
    (set +e; while :; do e2e_app_windows TOOLTIP 2>/dev/null | cut -d' ' -f1 >>"$WORK/balloons"; sleep 0.1; done) &
    PIDS+=($!)

    e2e_poll 15 balloons_are 1 || e2e_fail "no \"Открылся London\" balloon at 08:00 UTC"
    # Back by two hours inside the same minute of the hour: the clocks catch up at 06:01.
    set_wall_clock "2027-01-15 06:00:50"
    e2e_poll 20 clock_is London 06:01 || e2e_fail "after the jump back London shows '$(clock_of London)', not 06:01"
    balloons_are 1 || e2e_fail "the jump back fired $(($(balloon_count) - 1)) more balloon(s)"
    # Forward again: 08:00 comes a second time and brings its balloon once more, once.
    set_wall_clock "2027-01-15 07:59:57"
    e2e_poll 15 balloons_are 2 || e2e_fail "08:00 reached again brought $(balloon_count) balloons in all, not 2"
    e2e_poll 10 clock_is London 08:00 || e2e_fail "after the jump forward London shows '$(clock_of London)', not 08:00"
    sleep 2  # nothing more may come in the rest of the minute
    balloons_are 2 || e2e_fail "the 08:00 balloon fired more than once in its minute"
    stop_program
    e2e_stop_tray
}

no_tray_host_at_start
wall_clock_jumps
read_only_settings_folder
signals_keep_settings
tz_database_missing
echo "PASS: no tray host at start, read-only settings folder, SIGTERM/SIGHUP keep the settings, tz database missing, wall clock jumps"
