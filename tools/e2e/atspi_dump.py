#!/usr/bin/python3
"""Prints what a screen reader finds in one application's AT-SPI tree.

usage: atspi_dump.py APPLICATION-NAME

One line per accessible object that is showing, tab-separated:
    window  role  x  y  width  height  name  text  states
window is "<n>:<role>:<title>" of the top-level object (frame, dialog) the object lives
in; x, y are relative to that top level's top-left corner, so a control is found by
its place in its window; text is the content of the Text interface, if any; states
lists "selected", "focused", "checked". Tabs, newlines and backslashes inside names
and texts are written as \\t, \\n and \\\\. Exit status 3 when the application is not
on the bus (yet).
"""
import sys

import pyatspi

STATES = {
    pyatspi.STATE_SELECTED: "selected",
    pyatspi.STATE_FOCUSED: "focused",
    pyatspi.STATE_CHECKED: "checked",
}


def escape(value):
    return (value or "").replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")


def text_of(acc):
    try:
        text = acc.queryText()
    except NotImplementedError:
        return ""
    return text.getText(0, -1)


def extents_of(acc):
    try:
        box = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height
    except NotImplementedError:
        return 0, 0, 0, 0


def walk(acc, window, origin, out, depth=0):
    if depth > 40:  # a cycle in a broken tree must not hang the test
        return
    state = acc.getState()
    if not state.contains(pyatspi.STATE_SHOWING):
        return
    x, y, w, h = extents_of(acc)
    flags = ",".join(label for s, label in STATES.items() if state.contains(s))
    out.append("\t".join([window, acc.getRoleName(), str(x - origin[0]), str(y - origin[1]), str(w), str(h),
                          escape(acc.name), escape(text_of(acc)), flags]))
    for child in acc:
        if child is not None:
            walk(child, window, origin, out, depth + 1)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    wanted = sys.argv[1]
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None or app.name != wanted:
            continue
        out = []
        for n, top in enumerate(app):
            if top is None or not top.getState().contains(pyatspi.STATE_SHOWING):
                continue
            window = "%d:%s:%s" % (n, top.getRoleName(), escape(top.name))
            origin = extents_of(top)[:2]
            for child in top:
                if child is not None:
                    walk(child, window, origin, out)
        print("\n".join(out))
        return 0
    return 3


if __name__ == "__main__":
    sys.exit(main())
