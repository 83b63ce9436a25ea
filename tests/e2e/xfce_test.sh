# The tray under xfwm4 and xfce4-panel, whose status tray hosts StatusNotifierItem icons
# (and XEmbed ones) and whose task list shows taskbar buttons. The window can always be
# brought back: after the panel is killed and started again, by the tray's activation and
# by a second start, also when it was restored from the taskbar while the panel was gone.
# The panel reaches the tray menu over DBusMenu. A program started before the panel (the
# login race) still gets a StatusNotifierItem icon.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_wm xfwm4

# start_program: the program with its window shown and its icon in the panel's tray.
start_program() {
    e2e_launch
    WIN=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
    e2e_wait_sni_item || e2e_fail "the icon did not register with the panel's StatusNotifierItem watcher"
}

stop_program() {
    kill -TERM "$APP_PID"
    e2e_wait_exit || e2e_fail "SIGTERM did not end the program"
}

# expect_shown WHAT: the window came up normal, not minimised (and so not sent straight
# back to the tray).
expect_shown() {
    e2e_poll 5 e2e_shown_normal "$WIN" ||
        e2e_fail "$1 did not show the window (WM_STATE $(e2e_wm_state "$WIN"); $(xprop -id "$WIN" WM_HINTS | tr -s '\t\n' ' '))"
}

close_into_tray() {
    e2e_x11 close "$WIN"
    e2e_poll 5 e2e_in_tray "$WIN" || e2e_fail "closing did not hide the window into the tray"
}

# another_start: one more start of the program, which shows the running copy's window.
another_start() {
    local second
    "$EXE" 2>"$WORK/second-stderr" &
    second=$!
    PIDS+=($second)
    e2e_poll 15 e2e_pid_ended "$second" || e2e_fail "the second start kept running"
}

panel_restarted() {
    e2e_start_xfce_panel
    start_program
    close_into_tray

    # The panel goes: the window waits on the taskbar. It comes back: into the tray again.
    e2e_stop_panel
    e2e_poll 5 e2e_on_taskbar "$WIN" || e2e_fail "the window was not minimised to the taskbar when the panel went"
    e2e_start_xfce_panel
    e2e_wait_sni_item || e2e_fail "the icon did not come back to the restarted panel"
    e2e_poll 5 e2e_in_tray "$WIN" || e2e_fail "the window did not go back into the restarted panel's tray"

    e2e_sni_call Activate 0 0 || e2e_fail "the icon did not take the panel's Activate"
    expect_shown "the tray's activation after the panel came back"
    close_into_tray
    another_start
    expect_shown "a second start after the panel came back"

    # Restored from the taskbar while the panel is gone, the window is shown from the tray
    # normally once the panel is back.
    e2e_stop_panel
    close_into_tray_or_taskbar() {
        e2e_x11 close "$WIN"
        e2e_poll 5 e2e_on_taskbar "$WIN"
    }
    close_into_tray_or_taskbar || e2e_fail "with the panel gone, close did not minimise the window to the taskbar"
    xdotool windowactivate "$WIN" 2>/dev/null || true  # the task list's click
    expect_shown "restoring from the taskbar"
    e2e_start_xfce_panel
    e2e_wait_sni_item || e2e_fail "the icon did not come back to the restarted panel"
    close_into_tray
    e2e_sni_call Activate 0 0 || e2e_fail "the icon did not take the panel's Activate"
    expect_shown "the tray's activation after a restore from the taskbar"
    stop_program
    e2e_stop_panel
}

dbus_menu() {
    e2e_start_xfce_panel
    start_program
    local menu
    menu=$(e2e_sni_menu) || e2e_fail "the icon exports no menu over DBusMenu"
    [[ $(cut -f2,3 <<<"$menu") == $'Показать/Скрыть\tenabled\nРежим мини\tenabled\nВыход\tenabled' ]] ||
        e2e_fail "the exported menu is not the tray menu: $menu"
    e2e_sni_menu_click "Показать/Скрыть" || e2e_fail "no \"Показать/Скрыть\" to click"
    e2e_poll 5 e2e_in_tray "$WIN" || e2e_fail "\"Показать/Скрыть\" over DBusMenu did not hide the window"
    e2e_sni_menu_click "Показать/Скрыть"
    expect_shown "\"Показать/Скрыть\" over DBusMenu"
    e2e_sni_menu_click "Режим мини" || e2e_fail "no \"Режим мини\" to click"
    e2e_poll 5 e2e_not_viewable "$WIN" || e2e_fail "\"Режим мини\" over DBusMenu did not replace the window"
    menu_says_mini_disabled() { [[ $(e2e_sni_menu | cut -f2,3) == *$'Режим мини\tdisabled'* ]]; }
    e2e_poll 5 menu_says_mini_disabled || e2e_fail "\"Режим мини\" stays enabled in the exported menu: $(e2e_sni_menu)"
    e2e_sni_menu_click "Выход" || e2e_fail "no \"Выход\" to click"
    e2e_wait_exit || e2e_fail "\"Выход\" over DBusMenu did not end the program"
    [[ $E2E_EXIT_STATUS == 0 ]] || e2e_fail "\"Выход\" ended the program with status $E2E_EXIT_STATUS"
    e2e_stop_panel
}

login_race() {
    # The program comes up first; the panel follows, its XEmbed tray a moment before its
    # StatusNotifierItem host.
    e2e_launch
    WIN=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
    e2e_start_xfce_panel
    e2e_wait_sni_item || e2e_fail "a program started before the panel got no StatusNotifierItem icon"
    [[ -z "$(e2e_x11 docked "$APP_PID" xfce4-panel)" ]] || e2e_fail "an XEmbed icon docked beside the StatusNotifierItem one"
    close_into_tray
    stop_program
    e2e_stop_panel
}

# E2E_CASES picks some of the cases, when a run is about one of them.
for case in ${E2E_CASES:-panel_restarted dbus_menu login_race}; do "$case"; done
echo "PASS: xfce4-panel killed and restarted, the window shown again by the tray's activation and by a second start, also after a restore from the taskbar; the tray menu over DBusMenu with its captions, enabling and actions; a program started before the panel gets a StatusNotifierItem icon"
