# The tray icon under a real tray host (trayer): it docks, its tooltip lists the five
# clocks to the minute, a session opening shows its balloon, a restarted host gets the
# icon back, the close button only hides the window, and "Выход" and SIGTERM end the
# program cleanly. A second start shows the running copy's window, also after a crash.
# Under a StatusNotifierItem tray (a D-Bus watcher) one activation toggles the window, and
# the window comes back when that tray goes away.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_a11y
export TZ=UTC

# The pointer stays off the main window, whose map shows tooltips of its own.
park_pointer() { xdotool mousemove 5 5; }

tooltip_text() { e2e_a11y_names | awk -F'\t' '$1 == "tool tip" { print $2 }' | tail -n1; }
has_tooltip() { [[ -n "$(tooltip_text)" ]]; }

balloon_and_tooltip() {
    # London opens at 08:00 UTC in January.
    e2e_start_tray
    park_pointer
    e2e_launch "@2027-01-15 07:59:50"
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "the main window did not appear"
    local icon
    icon=$(e2e_wait_docked) || e2e_fail "the icon did not dock in the tray host"

    e2e_poll 20 e2e_app_has_window TOOLTIP || e2e_fail "no balloon at 08:00 UTC"
    e2e_screenshot root "$WORK/balloon.png"
    [[ -s "$WORK/balloon.png" ]] || e2e_fail "no screenshot of the balloon"
    [[ $(e2e_app_windows TOOLTIP | wc -l) == 1 ]] || e2e_fail "more than one balloon window"
    e2e_a11y_names >"$WORK/balloon-names"
    grep -qx $'label\tОткрылся London' "$WORK/balloon-names" || e2e_fail "the balloon does not say \"Открылся London\""
    grep -qx $'label\tHoravane 2.0' "$WORK/balloon-names" || e2e_fail "the balloon's title is not the program's"

    # Still inside 08:00: every clock of the tooltip shows that minute in its own zone.
    e2e_click_icon "$icon" 0 2>/dev/null || true  # pointer onto the icon, no click
    xdotool mousemove_relative 1 0
    e2e_poll 10 has_tooltip || e2e_fail "no tooltip over the icon"
    local expected='London 08:00\nNewYork 03:00\nTokyo 17:00\nSydney 19:00\nMoscow 11:00'
    [[ "$(tooltip_text)" == "$expected" ]] || e2e_fail "tooltip is '$(tooltip_text)', not '$expected'"

    kill -TERM "$APP_PID"
    e2e_wait_exit || e2e_fail "SIGTERM did not end the program"
    [[ $E2E_EXIT_STATUS == 0 ]] || e2e_fail "SIGTERM ended the program with status $E2E_EXIT_STATUS"
    e2e_stop_tray
}

close_redock_and_exit() {
    e2e_start_tray
    park_pointer
    e2e_launch
    local win icon
    win=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
    icon=$(e2e_wait_docked) || e2e_fail "the icon did not dock in the tray host"

    # The close button hides the window into the tray; the program keeps running.
    e2e_x11 close "$win"
    e2e_poll 5 e2e_not_viewable "$win" || e2e_fail "closing did not hide the main window"
    e2e_ended && e2e_fail "closing the window ended the program"
    [[ -n "$(e2e_docked_icon)" ]] || e2e_fail "the icon left the tray with the window"

    # The tray host goes away and comes back: the icon docks again.
    e2e_stop_tray
    e2e_start_tray
    local again
    again=$(e2e_wait_docked 10) || e2e_fail "the icon did not come back to the restarted tray host"

    # "Показать/Скрыть" brings the hidden window back.
    e2e_tray_menu_pick 1 3
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "\"Показать/Скрыть\" did not show the window"

    # "Выход" ends the program.
    e2e_tray_menu_pick 3 3
    e2e_wait_exit || e2e_fail "\"Выход\" did not end the program"
    [[ $E2E_EXIT_STATUS == 0 ]] || e2e_fail "\"Выход\" ended the program with status $E2E_EXIT_STATUS"
    e2e_stop_tray
}

# The process PID has ended (a zombie counts as ended until waited for).
pid_ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null || true)
    [[ -z "$state" || "$state" == Z* ]]
}

# another_start_ends WHAT: one more start of the program, which must find the running
# copy and end with status 0.
another_start_ends() {
    local second status=0
    "$EXE" 2>"$WORK/second-stderr" &
    second=$!
    PIDS+=($second)
    e2e_poll 15 pid_ended "$second" || e2e_fail "$1 kept running beside the running copy"
    wait "$second" || status=$?
    [[ $status == 0 ]] || e2e_fail "$1 ended with status $status: $(cat "$WORK/second-stderr")"
}

second_start() {
    e2e_start_tray
    park_pointer
    e2e_launch
    local win
    win=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
    e2e_wait_docked >/dev/null || e2e_fail "the icon did not dock in the tray host"
    e2e_x11 close "$win"
    e2e_poll 5 e2e_not_viewable "$win" || e2e_fail "closing did not hide the main window"

    # A second start brings the running copy's window back and ends with status 0.
    another_start_ends "the second start"
    e2e_poll 5 e2e_viewable "$win" || e2e_fail "the second start did not show the running copy's window"
    [[ $(e2e_x11 docked "$APP_PID" trayer | wc -l) == 1 ]] || e2e_fail "not exactly one icon in the tray"
    e2e_alive || e2e_fail "the first copy ended"

    # A copy that crashed leaves its socket behind; the next start is not held up by it.
    kill -KILL "$APP_PID"
    wait "$APP_PID" 2>/dev/null || true
    compgen -G "$XDG_RUNTIME_DIR/horavane-*" >/dev/null || e2e_fail "no socket was left to test a crash with"
    e2e_launch
    e2e_wait_window "Horavane 2.0" >/dev/null || e2e_fail "a start after a crash showed no window"
    e2e_alive || e2e_fail "a start after a crash ended: $(cat "$WORK/stderr")"
    # ... and it is the one copy now: a further start finds it and ends.
    another_start_ends "a start beside the copy started after a crash"
    e2e_alive || e2e_fail "the copy started after a crash ended"
    kill -TERM "$APP_PID"
    e2e_wait_exit || e2e_fail "SIGTERM did not end the program"
    e2e_stop_tray
}

item_registered() { [[ -s "$WORK/sni-items" ]]; }
watcher_on_bus() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true
}

status_notifier_host() {
    # A D-Bus tray beside trayer: the icon registers with the watcher rather than docking
    # in trayer, and the host's Activate (its click on the icon) performs the default
    # item, "Показать/Скрыть".
    e2e_start_tray
    : >"$WORK/sni-items"
    "$E2E_PYTHON" "$E2E_TOOLS/sni_host.py" "$WORK/sni-items" 2>"$WORK/sni-stderr" &
    local watcher=$!
    PIDS+=($watcher)
    e2e_poll 10 watcher_on_bus || e2e_fail "the StatusNotifierItem watcher did not start: $(cat "$WORK/sni-stderr")"
    park_pointer
    e2e_launch
    local win service path
    win=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
    e2e_poll 10 item_registered || e2e_fail "the icon did not register with the StatusNotifierItem watcher"
    activate() {
        # The icon as it registered last.
        read -r service path < <(tail -n1 "$WORK/sni-items")
        gdbus call --session --dest "$service" --object-path "$path" \
            --method org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
    }
    activate || e2e_fail "the icon did not take the host's Activate"
    e2e_poll 5 e2e_not_viewable "$win" || e2e_fail "one activation did not hide the window"
    activate || e2e_fail "the icon did not take the host's second Activate"
    e2e_poll 5 e2e_viewable "$win" || e2e_fail "a second activation did not show the window again"
    [[ -z "$(e2e_docked_icon)" ]] || e2e_fail "the icon docked in trayer though a D-Bus tray is there"

    # The D-Bus tray goes away while the window is in it: the window comes back.
    activate || e2e_fail "the icon did not take the host's third Activate"
    e2e_poll 5 e2e_not_viewable "$win" || e2e_fail "a third activation did not hide the window"
    kill "$watcher"
    e2e_poll 5 e2e_viewable "$win" || e2e_fail "the window stayed in a D-Bus tray that went away"
    kill -TERM "$APP_PID"
    e2e_wait_exit || e2e_fail "SIGTERM did not end the program"
    e2e_stop_tray
}

balloon_and_tooltip
close_redock_and_exit
second_start
status_notifier_host
echo "PASS: icon docks and re-docks, five-clock tooltip, 08:00 balloon, close hides, \"Выход\" and SIGTERM exit 0, a second start shows the window and exits 0 (also after a crash), a StatusNotifierItem host's activation toggles the window and its going away brings the window back"
