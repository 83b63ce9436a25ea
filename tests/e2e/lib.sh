# Shared harness of the end-to-end tests: the real program under Xvfb inside its own
# D-Bus session, optionally with the trayer tray host and a faked wall clock.
# A test script sources this file and calls e2e_init "$@" first.

set -euo pipefail

e2e_init() {
    e2e_session_and_folder "$@"
    export QT_QPA_PLATFORM=xcb
    e2e_start_display
}

# The script again inside a D-Bus session of its own (once), then a work folder with a
# copy of the program, its own config and runtime folders, and the cleanup on exit.
e2e_session_and_folder() {
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
    unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME
    PIDS=()
    trap e2e_cleanup EXIT
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
    dbus-update-activation-environment DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME
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

# --- real desktop parts: window managers, panels, a notification server, Wayland ------

E2E_DESKTOP="$(cd "$(dirname "${BASH_SOURCE[0]}")/desktop" && pwd)"

# Some window manager manages the display (it names its check window on the root).
e2e_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# e2e_start_wm openbox|xfwm4: starts the window manager and waits until it manages windows.
e2e_start_wm() {
    case "$1" in
    openbox) openbox --sm-disable >/dev/null 2>&1 & ;;
    xfwm4) xfwm4 --compositor=off --sm-client-disable >/dev/null 2>&1 & ;;
    *) e2e_fail "no window manager called $1" ;;
    esac
    WM_PID=$!
    PIDS+=($WM_PID)
    e2e_poll 15 e2e_wm_running || e2e_fail "$1 did not start"
}

# A StatusNotifierWatcher on the session bus reports a host registered with it.
e2e_sni_host_registered() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        IsStatusNotifierHostRegistered 2>/dev/null | grep -q true
}
# Some client owns the XEmbed tray selection of screen 0.
e2e_xembed_tray_owned() { e2e_x11 selection-owner _NET_SYSTEM_TRAY_S0 >/dev/null; }

# e2e_start_xfce_panel: xfce4-panel with a task list and a status tray (StatusNotifierItem
# and XEmbed), configured in this test's own XDG_CONFIG_HOME; waits for both trays.
e2e_start_xfce_panel() {
    local channel="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    if [[ ! -f "$channel/xfce4-panel.xml" ]]; then
        mkdir -p "$channel"
        cp "$E2E_DESKTOP/xfce4-panel.xml" "$channel/"
    fi
    xfce4-panel --disable-wm-check >/dev/null 2>&1 &
    PANEL_PID=$!
    PIDS+=($PANEL_PID)
    e2e_poll 20 e2e_sni_host_registered || e2e_fail "xfce4-panel's tray did not register as a StatusNotifierItem host"
    e2e_poll 10 e2e_xembed_tray_owned || e2e_fail "xfce4-panel's tray did not take the XEmbed selection"
}

e2e_stop_panel() {
    kill "$PANEL_PID" 2>/dev/null || true
    wait "$PANEL_PID" 2>/dev/null || true
    e2e_poll 10 e2e_not e2e_sni_host_registered || e2e_fail "the panel's tray host stayed registered"
}

e2e_not() { ! "$@"; }

# e2e_start_tint2: a panel with a task list and no tray at all.
e2e_start_tint2() {
    tint2 -c "$E2E_DESKTOP/tint2rc" >/dev/null 2>&1 &
    PIDS+=($!)
    e2e_poll 10 e2e_x11 has-dock >/dev/null || e2e_fail "tint2 did not map its panel"
}

# e2e_start_notifyd: xfce4-notifyd serves org.freedesktop.Notifications on the bus.
e2e_start_notifyd() {
    /usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd >/dev/null 2>&1 &
    PIDS+=($!)
    e2e_poll 10 e2e_bus_has org.freedesktop.Notifications || e2e_fail "xfce4-notifyd did not take its bus name"
}

e2e_bus_has() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}

# e2e_watch_bus FILE: records every method call and signal on the session bus to FILE.
e2e_watch_bus() {
    dbus-monitor --session >"$1" 2>/dev/null &
    PIDS+=($!)
    sleep 0.3
}

# e2e_init_wayland EXE: the test runs as the unprivileged user nobody (sway refuses root)
# in its own D-Bus session, inside headless sway with XWayland and swaybar, whose tray
# hosts StatusNotifierItem icons. WAYLAND_DISPLAY, DISPLAY (XWayland) and SWAYSOCK are
# set; QT_QPA_PLATFORM is left unset, as a desktop session leaves it.
e2e_init_wayland() {
    if [[ $(id -u) == 0 ]]; then
        # XWayland makes the X socket folder itself, as nobody's, unless it is there.
        [[ -d /tmp/.X11-unix ]] || mkdir -m 1777 /tmp/.X11-unix
        exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
            env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR HOME=/tmp bash "$0" "$@"
    fi
    e2e_session_and_folder "$@"
    mkdir -p "$WORK/home"
    export HOME="$WORK/home" XDG_SESSION_TYPE=wayland
    export E2E_SWAY_ENV="$WORK/sway-env"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway -c "$E2E_DESKTOP/sway.config" >"$WORK/sway.log" 2>&1 &
    PIDS+=($!)
    e2e_poll 20 test -s "$E2E_SWAY_ENV" || e2e_fail "sway did not start"
    local name
    for name in WAYLAND_DISPLAY DISPLAY SWAYSOCK; do
        export "$(grep "^$name=" "$E2E_SWAY_ENV")" || e2e_fail "sway did not set $name"
    done
    dbus-update-activation-environment DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME
    e2e_poll 20 e2e_sni_host_registered || e2e_fail "swaybar's tray did not register as a StatusNotifierItem host"
}

# e2e_sway_windows: "app_id-or-class x y width height" of every window sway shows.
e2e_sway_windows() {
    swaymsg -t get_tree -r | "$E2E_PYTHON" -c '
import json, sys
def walk(node):
    if node.get("pid") and node.get("visible"):
        r = node["rect"]
        name = node.get("app_id") or (node.get("window_properties") or {}).get("class", "?")
        print(name, r["x"], r["y"], r["width"], r["height"], node.get("name") or "")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

# e2e_sway_contents: "app_id-or-class x y width height title" of every window sway shows,
# the geometry that of the window's own content, within sway's frame.
e2e_sway_contents() {
    swaymsg -t get_tree -r | "$E2E_PYTHON" -c '
import json, sys
def walk(node):
    if node.get("pid") and node.get("visible"):
        r, w = node["rect"], node["window_rect"]
        name = node.get("app_id") or (node.get("window_properties") or {}).get("class", "?")
        print(name, r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"], node.get("name") or "")
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}

# e2e_start_pointer: a virtual pointer in sway, which has no input device of its own;
# start it before the program. e2e_pointer "move X Y" | press | release drives it and
# returns once sway has handled the command.
e2e_start_pointer() {
    coproc WL_POINTER { "$E2E_PYTHON" "$E2E_TOOLS/wl_pointer.py"; }
    PIDS+=($WL_POINTER_PID)
    local reply
    read -r -t 10 reply <&"${WL_POINTER[0]}" && [[ $reply == ok ]] || e2e_fail "sway gave no virtual pointer"
}

e2e_pointer() {
    local reply
    echo "$*" >&"${WL_POINTER[1]}"
    read -r -t 10 reply <&"${WL_POINTER[0]}" && [[ $reply == ok ]] || e2e_fail "the virtual pointer did not take \"$*\""
}

# --- the tray on real hosts: StatusNotifierItem icons, their DBusMenu, window states ----

# The bus names registered with the StatusNotifierWatcher, one a line ("<name>/<path>").
e2e_sni_items() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null | grep -o "'[^']*'" | tr -d "'"
}

e2e_bus_pid() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.GetConnectionUnixProcessID "$1" 2>/dev/null | grep -o '[0-9]\+,' | tr -d ,
}

# Prints "SERVICE PATH" of the program's icon as the watcher lists it, if it does.
e2e_app_sni_item() {
    local item service path
    while read -r item; do
        service=${item%%/*}
        path=/${item#*/}
        [[ $item == */* ]] || path=/StatusNotifierItem
        [[ $(e2e_bus_pid "$service") == "$APP_PID" ]] && { echo "$service $path"; return 0; }
    done < <(e2e_sni_items)
    return 1
}

# e2e_wait_sni_item [SECONDS]: waits until the watcher lists the program's icon.
e2e_wait_sni_item() { e2e_poll "${1:-10}" e2e_app_sni_item >/dev/null; }

# e2e_sni_call METHOD ARGS...: calls a method of org.kde.StatusNotifierItem on the icon.
e2e_sni_call() {
    local service path
    read -r service path < <(e2e_app_sni_item) || return 1
    gdbus call --session --dest "$service" --object-path "$path" --method "org.kde.StatusNotifierItem.$1" \
        "${@:2}" >/dev/null
}

# Prints "SERVICE PATH" of the icon's menu, as its Menu property names it.
e2e_sni_menu_object() {
    local service path menu
    read -r service path < <(e2e_app_sni_item) || return 1
    menu=$(gdbus call --session --dest "$service" --object-path "$path" \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu | grep -o "'/[^']*'" | tr -d "'")
    [[ -n "$menu" && "$menu" != /NO_DBUSMENU ]] && echo "$service $menu"
}

# Each item of a com.canonical.dbusmenu.GetLayout answer as "ID<TAB>LABEL<TAB>enabled|disabled".
E2E_DBUSMENU_ITEMS=$(cat <<'PYTHON'
import re, sys
for item in re.finditer(r"<\((\d+), \{([^}]*)\}", sys.stdin.read()):
    label = re.search(r"'label': <'([^']*)'>", item.group(2))
    enabled = "disabled" if "'enabled': <false>" in item.group(2) else "enabled"
    if label:
        print(item.group(1), label.group(1), enabled, sep="\t")
PYTHON
)

# e2e_sni_menu: the icon's menu got the way a host gets it: the item's Menu property, then
# com.canonical.dbusmenu.GetLayout; one line per item as E2E_DBUSMENU_ITEMS prints it.
e2e_sni_menu() {
    local service menu
    read -r service menu < <(e2e_sni_menu_object) || return 1
    gdbus call --session --dest "$service" --object-path "$menu" \
        --method com.canonical.dbusmenu.GetLayout -- 0 -1 '[]' | "$E2E_PYTHON" -c "$E2E_DBUSMENU_ITEMS"
}

# e2e_sni_menu_click LABEL: clicks the item of that caption as a host does (Event "clicked").
e2e_sni_menu_click() {
    local service menu id
    read -r service menu < <(e2e_sni_menu_object) || return 1
    id=$(e2e_sni_menu | awk -F'\t' -v label="$1" '$2 == label { print $1 }')
    [[ -n "$id" ]] || return 1
    gdbus call --session --dest "$service" --object-path "$menu" \
        --method com.canonical.dbusmenu.Event -- "$id" clicked '<0>' 0 >/dev/null
}

# The ICCCM state the window manager gives a window: Normal, Iconic or Withdrawn.
e2e_wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ { print $3 }'; }
e2e_shown_normal() { e2e_viewable "$1" && [[ $(e2e_wm_state "$1") == Normal ]]; }
# Minimised to the taskbar: iconic, and a taskbar button for it.
e2e_on_taskbar() { [[ $(e2e_wm_state "$1") == Iconic && -n "$(e2e_x11 taskbar "$APP_PID")" ]]; }
# Hidden into the tray: withdrawn, no taskbar button.
e2e_in_tray() { [[ $(e2e_wm_state "$1") != Normal && $(e2e_wm_state "$1") != Iconic ]] && ! e2e_viewable "$1"; }
# The process PID has ended (a zombie counts as ended until waited for).
e2e_pid_ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null || true)
    [[ -z "$state" || "$state" == Z* ]]
}

# e2e_menu_pick ITEM COUNT: in the program's open popup menu of COUNT items, clicks item
# ITEM (1-based).
e2e_menu_pick() {
    local id x y w h
    e2e_poll 5 e2e_app_has_window POPUP || e2e_fail "the menu did not open"
    read -r id x y w h _ < <(e2e_app_windows POPUP | head -n1)
    xdotool mousemove "$((x + w / 2))" "$((y + h * (2 * $1 - 1) / (2 * $2)))" click 1
    e2e_poll 5 e2e_app_has_no_window POPUP || e2e_fail "the menu stayed open"
}
