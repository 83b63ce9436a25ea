# Shared harness of the end-to-end tests: the real program under Xvfb inside its own
# D-Bus session, optionally with the trayer tray host and a faked wall clock.
# A test script sources this file and calls e2e_init "$@" first.

set -euo pipefail

e2e_init() {
    EXE_SOURCE=$(readlink -f "$1")
    if [[ -z "${E2E_IN_SESSION:-}" ]]; then
        export E2E_IN_SESSION=1
        exec dbus-run-session -- bash "$0" "$@"
    fi
    WORK=$(mktemp -d /tmp/horavane-e2e.XXXXXX)
    # The program keeps its settings beside itself: run a copy in a folder of our own.
    EXE="$WORK/bin/horavane"
    mkdir -p "$WORK/bin" "$WORK/config"
    cp "$EXE_SOURCE" "$EXE"
    export XDG_CONFIG_HOME="$WORK/config"
    export XDG_RUNTIME_DIR="$WORK/runtime"; mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    unset QT_QPA_PLATFORMTHEME
    PIDS=()
    trap e2e_cleanup EXIT
    e2e_start_display
}

e2e_cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n "${E2E_KEEP:-}" ]] || rm -rf "$WORK"
}

e2e_fail() {
    echo "FAIL: $*" >&2
    [[ -f "$WORK/stderr" ]] && { echo "--- program stderr:" >&2; cat "$WORK/stderr" >&2; }
    exit 1
}

e2e_start_display() {
    local fdfile="$WORK/display"
    # -noreset: without it the server resets when its last client disconnects, and the
    # reset drops every client still in its handshake ("could not connect to display").
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
    PIDS+=($!)
    for _ in $(seq 100); do [[ -s "$fdfile" ]] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$fdfile")"
    # Services this session's bus starts (the accessibility bus among them) must see our
    # display and runtime folder, or they share the machine-wide ones with other runs.
    dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR
}

e2e_start_tray() {
    trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 \
        --transparent false >/dev/null 2>&1 &
    TRAYER_PID=$!
    PIDS+=($TRAYER_PID)
    sleep 0.5
}

# e2e_launch [faked-time]: starts the program, stderr to $WORK/stderr.
e2e_launch() {
    if [[ $# -gt 0 && -n "$1" ]]; then
        FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 FAKETIME="$1" \
            LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 \
            "$EXE" 2>"$WORK/stderr" &
    else
        "$EXE" 2>"$WORK/stderr" &
    fi
    APP_PID=$!
    PIDS+=($APP_PID)
}

# e2e_wait_window TITLE: prints the X window id of the first visible window with that title.
e2e_wait_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
        [[ -n "$id" ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

e2e_window_size() {  # prints "WIDTHxHEIGHT"
    xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'
}

e2e_screenshot() {  # e2e_screenshot WINDOW FILE
    import -window "$1" "PNG24:$2"
}

e2e_alive() { kill -0 "$APP_PID" 2>/dev/null; }

# --- helpers of the tray, mini-mode and fault tests ---------------------------------

E2E_TOOLS="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools/e2e" && pwd)"
# Debian's own Python carries python3-xlib and pyatspi; a python3 earlier on PATH may not.
E2E_PYTHON=/usr/bin/python3

e2e_x11() { "$E2E_PYTHON" "$E2E_TOOLS/x11.py" "$@"; }

# e2e_poll SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails on timeout.
e2e_poll() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# e2e_app_windows [TYPE]: "id x y width height types" of the program's viewable windows.
e2e_app_windows() { e2e_x11 windows "$APP_PID" "$@"; }

# Prints the id of the program's icon window docked in trayer's panel, if there is one.
e2e_docked_icon() {
    local id
    id=$(e2e_x11 docked "$APP_PID" trayer | head -n1)
    [[ -n "$id" ]] && echo "$id"
}

# e2e_wait_docked [SECONDS]: prints the docked icon's window id once it is there.
e2e_wait_docked() {
    local id
    e2e_poll "${1:-10}" e2e_docked_icon >/dev/null || return 1
    e2e_docked_icon
}

e2e_stop_tray() {
    kill "$TRAYER_PID" 2>/dev/null || true
    wait "$TRAYER_PID" 2>/dev/null || true
}

# e2e_click_icon ICON BUTTON: moves the pointer onto the icon's centre and clicks.
e2e_click_icon() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" click "$2"
}

# e2e_tray_menu_pick ITEM COUNT: opens the tray menu with a right click on the icon and
# clicks item ITEM (1-based) of its COUNT items.
e2e_tray_menu_pick() {
    local icon menu id x y w h
    icon=$(e2e_wait_docked) || e2e_fail "no tray icon to open the menu from"
    e2e_click_icon "$icon" 3
    e2e_poll 5 e2e_app_has_window POPUP || e2e_fail "the tray menu did not open"
    read -r id x y w h _ < <(e2e_app_windows POPUP | head -n1)
    xdotool mousemove "$((x + w / 2))" "$((y + h * (2 * $1 - 1) / (2 * $2)))" click 1
    e2e_poll 5 e2e_app_has_no_window POPUP || e2e_fail "the tray menu stayed open"
}

e2e_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
e2e_not_viewable() { ! e2e_viewable "$1"; }
e2e_app_has_window() { [[ -n "$(e2e_app_windows "$1")" ]]; }
e2e_app_has_no_window() { [[ -z "$(e2e_app_windows "$1")" ]]; }

# The program has ended (it stays a zombie, which kill -0 still finds, until waited for).
e2e_ended() {
    local state
    state=$(ps -o stat= -p "$APP_PID" 2>/dev/null || true)
    [[ -z "$state" || "$state" == Z* ]]
}

# e2e_wait_exit [SECONDS]: waits for the program to end and sets E2E_EXIT_STATUS to its
# exit status. Call it directly, not in $(...): only this shell can wait for the program.
e2e_wait_exit() {
    E2E_EXIT_STATUS=
    e2e_poll "${1:-10}" e2e_ended || return 1
    E2E_EXIT_STATUS=0
    wait "$APP_PID" || E2E_EXIT_STATUS=$?
}

# Screen-reader access: the AT-SPI bus must run before the program starts.
e2e_start_a11y() {
    gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
        --method org.a11y.Bus.GetAddress >/dev/null
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# "role<TAB>name" of every named object of the program, line breaks as "\n".
e2e_a11y_names() { timeout 20 "$E2E_PYTHON" "$E2E_TOOLS/atspi.py" names Horavane; }
