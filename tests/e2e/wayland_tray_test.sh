# The tray on native Wayland: the program on Qt's Wayland plugin inside headless sway, its
# icon in swaybar's StatusNotifierItem tray. The bar's Activate hides and shows the window,
# and the program opens no new session-bus connections as it runs.
source "$(dirname "$0")/lib.sh"
e2e_init_wayland "$@"
export QT_QPA_PLATFORM=wayland

window_shown() { e2e_sway_windows | grep -q ' Horavane 2\.0$'; }
window_hidden() { ! window_shown; }

e2e_watch_bus "$WORK/bus.log"
e2e_launch
e2e_poll 20 window_shown || e2e_fail "the main window did not appear: $(e2e_sway_windows)"
e2e_wait_sni_item 20 || e2e_fail "the icon did not register with swaybar's StatusNotifierItem watcher"

activation() {
    e2e_sni_call Activate 0 0 || e2e_fail "the icon did not take the bar's Activate"
    e2e_poll 5 window_hidden || e2e_fail "the bar's Activate did not hide the window"
    e2e_sni_call Activate 0 0 || e2e_fail "the icon did not take the bar's second Activate"
    e2e_poll 5 window_shown || e2e_fail "a second Activate did not show the window again"
}

bus_connections() {
    # Ten quiet seconds, in which nothing else here talks to the bus: a program asking Qt
    # whether a tray is there once a second would open ten new connections.
    hellos() { grep -c 'member=Hello$' "$WORK/bus.log" || true; }
    local before
    before=$(hellos)
    sleep 10
    OPENED=$(($(hellos) - before))
    ((OPENED <= 2)) || e2e_fail "$OPENED new session-bus connections in 10 s of running"
    e2e_alive || e2e_fail "the program ended: $(cat "$WORK/stderr")"
}

# E2E_CASES picks some of the cases, when a run is about one of them.
for case in ${E2E_CASES:-activation bus_connections}; do "$case"; done
kill -TERM "$APP_PID"
e2e_wait_exit || e2e_fail "SIGTERM did not end the program"
echo "PASS: on the Wayland plugin the bar's Activate hides and shows the window; ${OPENED:-?} new bus connections in 10 s"
