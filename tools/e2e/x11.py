#!/usr/bin/python3
"""What the end-to-end tests need of the X server beyond xdotool and xprop.

  x11.py close WINDOW            ask a window to close (WM_DELETE_WINDOW), as a window
                                 manager's close button does
  x11.py windows PID [TYPE]      the viewable windows of a process, one line each:
                                 "id x y width height type"; TYPE filters on the window
                                 type (NORMAL, TOOLTIP, ..., and POPUP for a menu); a window may carry several
  x11.py docked PID CLASS        the process's windows embedded in a window of that
                                 WM_CLASS (a tray host's panel), one id a line
  x11.py state WINDOW            the window's _NET_WM_STATE atoms, one a line
  x11.py requests WINDOW SECONDS what the window asks of the window manager for that long,
                                 one line each as it comes: "WM_CHANGE_STATE 3" (iconify)
                                 or "_NET_WM_STATE add|remove|toggle ATOM", after a
                                 first line "ready" once it listens
  x11.py selection-owner NAME    the window owning a selection (a tray's _NET_SYSTEM_TRAY_S0);
                                 fails when nobody owns it
  x11.py has-dock                a viewable DOCK window (a panel) is mapped; fails otherwise
  x11.py taskbar PID             the process's windows a task list shows: managed by the
                                 window manager (_NET_CLIENT_LIST), not skipping the taskbar
  x11.py managed WINDOW          the window manager has taken the window on (it is in
                                 _NET_CLIENT_LIST); fails otherwise

Windows are given and printed as decimal ids, as xdotool prints them.
"""
import select
import sys
import time

from Xlib import X, display
from Xlib.protocol import event

disp = display.Display()
root = disp.screen().root


def atom(name):
    return disp.intern_atom(name)


def prop(window, name):
    try:
        value = window.get_full_property(atom(name), X.AnyPropertyType)
    except Exception:  # the window went away while we looked
        return None
    return value.value if value else None


def all_windows(window=root):
    try:
        children = window.query_tree().children
    except Exception:
        return
    for child in children:
        yield child
        yield from all_windows(child)


def viewable(window):
    try:
        return window.get_attributes().map_state == X.IsViewable
    except Exception:
        return False


def window_type(window):
    types = prop(window, "_NET_WM_WINDOW_TYPE")
    kinds = [disp.get_atom_name(value).replace("_NET_WM_WINDOW_TYPE_", "")
             for value in types] if types else ["NONE"]
    # Qt marks its menus NORMAL; a top-level override-redirect window that is no tooltip
    # is a popup (a menu), tagged POPUP here.
    try:
        top_level = window.query_tree().parent.id == root.id
        override = window.get_attributes().override_redirect
    except Exception:
        return kinds
    if top_level and override and "TOOLTIP" not in kinds:
        kinds.append("POPUP")
    return kinds


def of_process(pid):
    for window in all_windows():
        owner = prop(window, "_NET_WM_PID")
        if owner is not None and len(owner) and owner[0] == pid:
            yield window


def wm_class(window):
    value = prop(window, "WM_CLASS")
    if not value:
        return []
    text = value.decode("latin-1") if isinstance(value, bytes) else str(value)
    return [part for part in text.split("\0") if part]


def ancestors(window):
    while True:
        tree = window.query_tree()
        if tree.parent == 0 or tree.parent.id == root.id:
            return
        window = tree.parent
        yield window


def cmd_close(window_id):
    window = disp.create_resource_object("window", int(window_id))
    message = event.ClientMessage(
        window=window, client_type=atom("WM_PROTOCOLS"),
        data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=X.NoEventMask)
    disp.sync()


def cmd_windows(pid, wanted=None):
    for window in of_process(int(pid)):
        if not viewable(window):
            continue
        kind = window_type(window)
        if wanted and wanted not in kind:
            continue
        try:
            geometry = window.get_geometry()
            origin = window.translate_coords(root, 0, 0)
        except Exception:
            continue
        print(window.id, -origin.x, -origin.y, geometry.width, geometry.height, ",".join(kind))


def cmd_docked(pid, host_class):
    for window in of_process(int(pid)):
        try:
            if any(host_class in wm_class(parent) for parent in ancestors(window)):
                print(window.id)
        except Exception:
            continue


def cmd_state(window_id):
    window = disp.create_resource_object("window", int(window_id))
    for value in prop(window, "_NET_WM_STATE") or []:
        print(disp.get_atom_name(value))


def cmd_requests(window_id, seconds):
    # Requests to the window manager are client messages sent to the root window; a
    # client selecting structure changes there sees them too, window manager or not
    # (Qt sends the iconify request to structure, not substructure, listeners).
    root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
    disp.sync()
    print("ready", flush=True)
    deadline = time.monotonic() + float(seconds)
    actions = {0: "remove", 1: "add", 2: "toggle"}
    while time.monotonic() < deadline:
        if not disp.pending_events():
            select.select([disp.fileno()], [], [], max(0.0, deadline - time.monotonic()))
        while disp.pending_events():
            ev = disp.next_event()
            if ev.type != X.ClientMessage or ev.window.id != int(window_id):
                continue
            kind = disp.get_atom_name(ev.client_type)
            data = ev.data[1]
            if kind == "WM_CHANGE_STATE":
                print(kind, data[0], flush=True)
            elif kind == "_NET_WM_STATE":
                print(kind, actions.get(data[0], data[0]), disp.get_atom_name(data[1]), flush=True)


def cmd_selection_owner(name):
    owner = disp.get_selection_owner(atom(name))
    if owner == X.NONE or owner == 0:
        sys.exit(1)
    print(owner.id)


def cmd_has_dock():
    if not any(viewable(w) and "DOCK" in window_type(w) for w in all_windows()):
        sys.exit(1)


def cmd_taskbar(pid):
    managed = prop(root, "_NET_CLIENT_LIST") or []
    skip = atom("_NET_WM_STATE_SKIP_TASKBAR")
    for window_id in managed:
        window = disp.create_resource_object("window", window_id)
        owner = prop(window, "_NET_WM_PID")
        if owner is None or not len(owner) or owner[0] != int(pid):
            continue
        if skip in (prop(window, "_NET_WM_STATE") or []):
            continue
        print(window_id)


def cmd_managed(window_id):
    if int(window_id) not in (prop(root, "_NET_CLIENT_LIST") or []):
        sys.exit(1)


COMMANDS = {"managed": cmd_managed, "selection-owner": cmd_selection_owner, "has-dock": cmd_has_dock,
            "taskbar": cmd_taskbar, "close": cmd_close, "windows": cmd_windows, "docked": cmd_docked,
            "state": cmd_state, "requests": cmd_requests}

if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS:
        sys.exit(__doc__)
    COMMANDS[sys.argv[1]](*sys.argv[2:])
