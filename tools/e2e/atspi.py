#!/usr/bin/python3
"""Texts a screen reader gets from a running application, through the AT-SPI tree.

  atspi.py names APPNAME    every accessible name in the application's tree, one per
                            object, with line breaks shown as "\\n"

The application must run with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 in the same D-Bus
session.
"""
import sys

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        name = node.name
        role = node.getRoleName()
        count = node.childCount
    except Exception:  # the object went away while we looked
        return
    if name:
        print(role + "\t" + name.replace("\\", "\\\\").replace("\n", "\\n"))
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        walk(child, depth + 1)


def cmd_names(app_name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == app_name:
            walk(app)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "names":
        sys.exit(__doc__)
    cmd_names(sys.argv[2])
