# Mini mode for real: the "Режим мини" button puts the always-on-top strip of the five
# clocks in place of the main window, and the tray menu's "Показать/Скрыть" brings the
# window back and takes the strip away.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# The program's top-level windows other than the main window and the docked icon.
other_windows() {
    local icon
    icon=$(e2e_docked_icon || true)
    e2e_app_windows NORMAL | awk -v main="$MAIN" -v icon="$icon" '$1 != main && $1 != icon'
}
strip_shown() { [[ -n "$(other_windows)" ]]; }
strip_gone() { [[ -z "$(other_windows)" ]]; }

e2e_start_tray
xdotool mousemove 5 5
e2e_launch
MAIN=$(e2e_wait_window "Horavane 2.0") || e2e_fail "the main window did not appear"
e2e_wait_docked >/dev/null || e2e_fail "the icon did not dock in the tray host"

# "Режим мини" sits at (14, 0), 170 x 21, on the window's top bar.
xdotool mousemove --window "$MAIN" 99 10 click 1
e2e_poll 5 strip_shown || e2e_fail "no strip after \"Режим мини\""
e2e_poll 5 e2e_not_viewable "$MAIN" || e2e_fail "the main window stayed on screen beside the strip"
read -r strip x y w h _ < <(other_windows)
[[ $(other_windows | wc -l) == 1 ]] || e2e_fail "more than one strip: $(other_windows)"
[[ $'\n'$(e2e_x11 state "$strip")$'\n' == *$'\n'_NET_WM_STATE_ABOVE$'\n'* ]] || e2e_fail "the strip is not always on top"
# Motif hints: flags, functions, decorations, ...; decorations flagged and none.
IFS=', ' read -r flags _ decorations _ <<<"$(xprop -id "$strip" _MOTIF_WM_HINTS | sed 's/.*= //')"
((flags & 2 && decorations == 0)) || e2e_fail "the strip has a frame"
((y == 0 && x == (1280 - w) / 2)) || e2e_fail "the strip is at ($x, $y), not centred at the top"
((h < 100 && w > 5 * h)) || e2e_fail "the strip is ${w}x$h, not one line of five tiles"
e2e_screenshot "$strip" "$WORK/strip.png"

e2e_tray_menu_pick 1 3
e2e_poll 5 e2e_viewable "$MAIN" || e2e_fail "\"Показать/Скрыть\" did not bring the main window back"
e2e_poll 5 strip_gone || e2e_fail "the strip stayed after the main window came back"
e2e_alive || e2e_fail "the program ended"
echo "PASS: strip ${w}x$h on top at ($x, $y) in place of the window; \"Показать/Скрыть\" brings the window back"
