# Mini mode under openbox with tint2's task list and no tray: the strip takes no taskbar
# button and no place in the pager, stays on top, and a position stored at the ends of
# the 32-bit range brings it back to its default place instead of off the screen.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_wm openbox
e2e_start_tint2

printf '[Mini]\r\nX=-2147483648\r\nY=2147483647\r\n' >"$WORK/bin/horavane.ini"
xdotool mousemove 5 5
e2e_launch
MAIN=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
strip_line() { e2e_app_windows NORMAL | awk -v main="$MAIN" '$1 != main'; }
strip_shown() { [[ -n "$(strip_line)" ]]; }

# "Режим мини" sits at (14, 0), 170 x 21, on the window's top bar.
xdotool mousemove --window "$MAIN" 99 10 click 1
e2e_poll 5 strip_shown || e2e_fail "no strip after \"Режим мини\""
e2e_poll 5 e2e_not_viewable "$MAIN" || e2e_fail "the main window stayed on screen beside the strip"
read -r strip x y w _ < <(strip_line)
e2e_poll 5 e2e_x11 managed "$strip" || e2e_fail "openbox did not take the strip on"

taskbar=$(e2e_x11 taskbar "$APP_PID")
[[ -z "$taskbar" ]] || e2e_fail "the strip has a taskbar button: window(s) $taskbar"
state=$'\n'$(e2e_x11 state "$strip")$'\n'
for atom in _NET_WM_STATE_SKIP_TASKBAR _NET_WM_STATE_SKIP_PAGER _NET_WM_STATE_ABOVE; do
    [[ $state == *$'\n'$atom$'\n'* ]] || e2e_fail "the strip's state lacks $atom: $state"
done
((y == 0 && x == (1280 - w) / 2)) || e2e_fail "the strip stored at (-2^31, 2^31-1) is at ($x, $y), not at its default place"
e2e_alive || e2e_fail "the program ended"
echo "PASS: under openbox the strip skips taskbar and pager and stays above; a stored (-2^31, 2^31-1) gives the default place"
