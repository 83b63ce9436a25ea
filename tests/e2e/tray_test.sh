# The tray icon under a real tray host (trayer): it docks, its tooltip lists the five
# clocks to the minute, a session opening shows its balloon, a restarted host gets the
# icon back, the close button only hides the window, and "Выход" and SIGTERM end the
# program cleanly.
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

balloon_and_tooltip
close_redock_and_exit
echo "PASS: icon docks and re-docks, five-clock tooltip, 08:00 balloon, close hides, \"Выход\" and SIGTERM exit 0"
