# Faults a trader's desktop throws at the program, each survived: no tray host at all,
# the tz database missing, termination signals, the settings folder read-only, a full
# disk, a FIFO in place of the settings file, no safe folder for the one-copy lock, and
# the wall clock jumping by hours while the program runs.
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
    local win
    win=$(e2e_wait_window "Horavane 2.0") || e2e_fail "no main window without a tray host"
    e2e_alive || e2e_fail "the program ended without a tray host"

    # With no tray to hide in, the close button minimises the window to the taskbar: it
    # asks to be iconified, never to leave the taskbar, and is not withdrawn.
    e2e_x11 requests "$win" 8 >"$WORK/requests" &
    local listener=$!
    PIDS+=($listener)
    e2e_poll 5 grep -qx ready "$WORK/requests" || e2e_fail "the window manager stand-in did not start"
    e2e_x11 close "$win"
    e2e_poll 5 grep -qx 'WM_CHANGE_STATE 3' "$WORK/requests" \
        || e2e_fail "closing without a tray host did not minimise the window: $(tr '\n' ';' <"$WORK/requests")"
    grep -q 'add _NET_WM_STATE_SKIP_TASKBAR' "$WORK/requests" && e2e_fail "the window left the taskbar with no tray to go to"
    e2e_viewable "$win" || e2e_fail "closing without a tray host withdrew the window"
    e2e_alive || e2e_fail "closing the window without a tray host ended the program"
    kill "$listener" 2>/dev/null || true

    # A tray host appears: the icon docks and the minimised window goes into the tray.
    e2e_start_tray
    e2e_wait_docked 10 >/dev/null || e2e_fail "the icon did not dock when the tray host appeared"
    e2e_poll 5 e2e_not_viewable "$win" || e2e_fail "the minimised window did not go into the tray that appeared"
    stop_program
    e2e_stop_tray
}

full_disk() {
    # The program's folder on a filesystem of its own, full to the last page, in a mount
    # namespace of the program's own (a user namespace too when not run as root).
    local disk="$WORK/disk" main box
    mkdir -p "$disk"
    printf '[0]\r\nName=Frankfurt\r\n' >"$WORK/ini.before"
    local ns=(unshare -m)
    [[ $(id -u) == 0 ]] || ns=(unshare -rm)
    "${ns[@]}" bash -c 'mount -t tmpfs -o size="$4" tmpfs "$1" && cp "$2" "$1/horavane" &&
        cp "$3" "$1/horavane.ini" && { dd if=/dev/zero of="$1/filler" bs=4096 2>/dev/null || true; } &&
        exec "$1/horavane"' _ "$disk" "$EXE" "$WORK/ini.before" "$(($(stat -c %s "$EXE") / 1024 + 256))k" \
        2>"$WORK/stderr" &
    APP_PID=$!
    PIDS+=($APP_PID)
    main=$(e2e_wait_window "Horavane 2.0") || e2e_fail "no main window on a full disk"
    local ini="/proc/$APP_PID/root$disk/horavane.ini"
    cmp -s "$ini" "$WORK/ini.before" || e2e_fail "the settings file is not in place on the full disk"
    [[ -n "$(e2e_x11 windows "$APP_PID" NORMAL)" ]] || e2e_fail "the program on the full disk shows no window"

    # Pick another reference zone: its save cannot be written.
    xdotool mousemove --window "$main" 450 41 click 1
    e2e_poll 5 e2e_app_has_window POPUP || e2e_fail "the zone list did not open"
    xdotool key Down Return
    message_box() { xdotool search --onlyvisible --name '^Horavane 2\.0$' | grep -vx "$main"; }
    box=$(e2e_poll 10 message_box >/dev/null && message_box | head -n1) \
        || e2e_fail "no message box when the zone could not be saved on a full disk"
    local names
    names=$(e2e_a11y_names)
    grep -qxF $'label\tUnable to write to '"$disk/horavane.ini" <<<"$names" \
        || e2e_fail "the message box does not say \"Unable to write to $disk/horavane.ini\": $(grep -i unable <<<"$names")"
    cmp -s "$ini" "$WORK/ini.before" || e2e_fail "the full disk changed the settings file: $(od -c "$ini" | head -3)"
    [[ -z "$(ls -A "/proc/$APP_PID/root$disk" | grep -v -x -e horavane -e horavane.ini -e filler)" ]] \
        || e2e_fail "a temporary file was left on the full disk: $(ls -A "/proc/$APP_PID/root$disk")"
    e2e_x11 close "$box"
    e2e_poll 5 e2e_not_viewable "$box" || e2e_fail "the message box did not close"
    e2e_alive || e2e_fail "the program ended after the failed save"
    stop_program
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
    # Root writes anywhere: the program runs as nobody, who may not write beside it, so
    # its settings are in the configuration folder, which only root may write either.
    local ini="$WORK/config/horavane/horavane.ini"
    mkdir -p "$WORK/config/horavane"
    printf '[0]\r\nName=Frankfurt\r\n' >"$ini"
    cp "$ini" "$WORK/ini.before"
    printf '[Local]\r\n' >"$INI"  # beside the program: never read nor written by nobody
    chmod 755 "$WORK" "$WORK/config" "$WORK/config/horavane"
    chmod 555 "$WORK/bin"
    chmod 644 "$ini" "$INI"
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
    cmp -s "$ini" "$WORK/ini.before" || e2e_fail "the settings file changed in a read-only folder"
    [[ "$(cat "$INI")" == $'[Local]\r' ]] || e2e_fail "the file beside the program changed"
    stop_program
    chmod 755 "$WORK/bin"
    rm -rf "$INI" "$WORK/config/horavane"
}

fifo_settings_file() {
    # A FIFO where the settings file should be is never opened for good: the program
    # starts, shows its window and ends on SIGTERM.
    mkfifo "$INI"
    e2e_launch
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "a FIFO named horavane.ini froze the start"
    stop_program
    [[ -p "$INI" ]] || e2e_fail "the FIFO was replaced"
    rm -f "$INI"
}

no_folder_for_the_lock() {
    # No runtime folder and a temporary folder that does not exist: the program runs
    # without the one-copy guard, says so in one line, and makes nothing where it starts.
    # It runs as nobody, whom Qt's own fallback for the runtime folder (/runtime-<user>,
    # with a temporary folder it cannot find) cannot litter the root folder for.
    mkdir -p "$WORK/cwd" "$WORK/nobody-home"
    chmod 755 "$WORK"
    chown nobody "$WORK/cwd" "$WORK/nobody-home"
    (cd "$WORK/cwd" && exec setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -u XDG_RUNTIME_DIR TMPDIR=/nonexistent HOME="$WORK/nobody-home" "$EXE" 2>"$WORK/stderr") &
    APP_PID=$!
    PIDS+=($APP_PID)
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "no main window without a folder for the lock"
    e2e_poll 5 grep -q "without the one-copy guard" "$WORK/stderr" || e2e_fail "no word on stderr of running unguarded"
    [[ $(grep -c "one-copy guard" "$WORK/stderr") == 1 ]] || e2e_fail "not one line on stderr: $(cat "$WORK/stderr")"
    [[ -z "$(ls -A "$WORK/cwd")" ]] || e2e_fail "the lock landed in the working folder: $(ls -A "$WORK/cwd")"
    stop_program
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

# start_without_display WHAT ENV...: the program started under ENV must end at once with
# exit status 1 and one line on stderr.
start_without_display() {
    local what=$1 status=0
    shift
    env "$@" timeout 10 "$EXE" 2>"$WORK/no-display" || status=$?
    ((status == 1)) || e2e_fail "$what: exit status $status, not 1 ($(head -c 300 "$WORK/no-display"))"
    [[ -s "$WORK/no-display" && $(wc -l <"$WORK/no-display") == 1 ]] \
        || e2e_fail "$what: not one line on stderr: $(cat "$WORK/no-display")"
}

# No display to show a window on, by the user's choice of platform or Qt's: one line,
# never Qt's abort.
no_display() {
    start_without_display "no display at all" -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
    grep -q DISPLAY "$WORK/no-display" || e2e_fail "the line does not say DISPLAY is missing: $(cat "$WORK/no-display")"
    # Nothing listens there: this test's Xvfb takes no TCP connections.
    start_without_display "an X display that does not answer" DISPLAY=127.0.0.1:95 QT_QPA_PLATFORM=xcb
    grep -qF '"127.0.0.1:95"' "$WORK/no-display" || e2e_fail "the line does not name the display: $(cat "$WORK/no-display")"
    start_without_display "the user's Wayland with no compositor" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-none
}

no_tray_host_at_start
full_disk
wall_clock_jumps
read_only_settings_folder
signals_keep_settings
tz_database_missing
fifo_settings_file
no_folder_for_the_lock
no_display
echo "PASS: no tray host (close minimises, a host that appears takes the window), full disk keeps the file and says so, read-only settings folder, SIGTERM/SIGHUP keep the settings, tz database missing, a FIFO for a settings file, no folder for the lock, no display, wall clock jumps"
