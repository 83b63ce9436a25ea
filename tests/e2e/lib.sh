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
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
    PIDS+=($!)
    for _ in $(seq 100); do [[ -s "$fdfile" ]] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$fdfile")"
}

e2e_start_tray() {
    trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 \
        --transparent false >/dev/null 2>&1 &
    TRAYER_PID=$!
    PIDS+=($TRAYER_PID)
    sleep 0.5
}

# e2e_launch [faketime-spec]: starts the program, stderr to $WORK/stderr.
e2e_launch() {
    if [[ $# -gt 0 && -n "$1" ]]; then
        FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME="$1" \
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
