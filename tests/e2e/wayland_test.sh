# A Wayland session (headless sway with XWayland): the program runs on XWayland unless
# the user asks for Wayland, so the strip comes back where it was put and stays above
# the other windows (sway, which centres every window it manages, is kept out of it). On the Wayland plugin the compositor drags the strip and nothing
# is stored, since the program cannot know where the strip went.
source "$(dirname "$0")/lib.sh"
e2e_init_wayland "$@"

INI="$WORK/bin/horavane.ini"
e2e_start_pointer

# e2e_sway_contents lines of the program's windows other than the main window.
strip_line() { e2e_sway_contents | awk '$NF != "2.0"'; }
main_line() { e2e_sway_contents | awk '$NF == "2.0"'; }
sway_has_main() { [[ -n "$(main_line)" ]]; }
sway_has_no_main() { [[ -z "$(main_line)" ]]; }
sway_has_strip() { [[ -n "$(strip_line)" ]]; }

# click_mini_mode: clicks "Режим мини" (14, 0, 170 x 21 in the window) through sway.
click_mini_mode() {
    local x y
    read -r _ x y _ < <(main_line)
    e2e_pointer move $((x + 99)) $((y + 10))
    e2e_pointer press
    e2e_pointer release
}

# drag X Y DX DY: a left-button drag from (X, Y) by (DX, DY) in a few steps.
drag() {
    local step
    e2e_pointer move "$1" "$2"
    e2e_pointer press
    for step in 1 2 3 4; do e2e_pointer move $(($1 + $3 * step / 4)) $(($2 + $4 * step / 4)); done
    e2e_pointer release
}

stop_program() {
    kill -TERM "$APP_PID" 2>/dev/null || true
    e2e_wait_exit || e2e_fail "the program did not end on SIGTERM"
}

# QT_QPA_PLATFORM unset, as a desktop session leaves it: the program is an X client.
on_xwayland() {
    local strip x y
    printf '[Mini]\r\nX=100\r\nY=300\r\n' >"$INI"
    e2e_launch
    MAIN=$(e2e_wait_window "Horavane 2.0") || e2e_fail "no main window on XWayland: $(e2e_sway_windows)"
    e2e_poll 10 sway_has_main || e2e_fail "sway does not show the main window"
    click_mini_mode
    e2e_poll 5 e2e_not_viewable "$MAIN" || e2e_fail "the main window stayed beside the strip"
    strip_at() { read -r strip x y _ < <(e2e_app_windows | awk -v main="$MAIN" '$1 != main'); [[ -n "$strip" ]]; }
    e2e_poll 5 strip_at || e2e_fail "no strip after \"Режим мини\""
    ((x == 100 && y == 300)) || e2e_fail "the strip is at ($x, $y), not where it was put (100, 300)"
    # Sway does not manage the strip, so it neither places it nor puts windows over it.
    [[ -z "$(strip_line)" ]] || e2e_fail "sway manages the strip (and centres it): $(strip_line)"

    stop_program
}

# The user asks for Wayland: the compositor places and drags the strip; nothing is stored.
on_wayland() {
    local app x y w h x2 y2
    printf '[Mini]\r\nX=100\r\nY=300\r\n' >"$INI"
    cp "$INI" "$WORK/ini.before"
    QT_QPA_PLATFORM=wayland e2e_launch
    e2e_poll 10 sway_has_main || e2e_fail "no main window on Wayland: $(e2e_sway_windows)"
    read -r app _ < <(main_line)
    # The app id is the desktop entry's, so the desktop finds the window's icon and name.
    [[ $app == org.horavane.Horavane ]] ||
        e2e_fail "the main window is no Wayland window with the app id org.horavane.Horavane: $(main_line)"
    click_mini_mode
    e2e_poll 5 sway_has_strip || e2e_fail "no strip after \"Режим мини\": $(e2e_sway_contents)"
    e2e_poll 5 sway_has_no_main || e2e_fail "the main window stayed beside the strip"
    read -r _ x y w h _ < <(strip_line)
    ((h < 100 && w > 5 * h)) || e2e_fail "the strip is ${w}x$h, not one line of five tiles"

    drag $((x + w / 2)) $((y + h / 2)) 120 160
    strip_moved() { read -r _ x2 y2 _ < <(strip_line) && ((x2 != x || y2 != y)); }
    e2e_poll 5 strip_moved || e2e_fail "the strip did not move when dragged: $(strip_line)"
    e2e_alive || e2e_fail "the program ended"
    stop_program
    cmp -s "$INI" "$WORK/ini.before" || e2e_fail "the drag on Wayland changed the settings file: $(cat "$INI")"
}

on_xwayland
on_wayland
echo "PASS: on XWayland by default, the strip where it was put and outside sway's placement; on Wayland the compositor drags it and the settings file keeps its bytes"
