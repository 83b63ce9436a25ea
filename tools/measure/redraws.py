#!/usr/bin/python3
"""How late after each change of the minute the main window's chart reaches the screen.

usage: redraws.py TITLE SECONDS

Watches the top-level window whose WM_NAME is TITLE through the X DAMAGE extension for
SECONDS (raising it first) and prints one line per chart redraw seen: the milliseconds between the wall
clock's minute boundary and the moment the X server reported the chart's area drawn.
The chart is the 900 x 447 area at y = 150 of the window; a redraw counts once damage
within 100 ms has covered 400 of its rows (a picture sent without shared memory arrives
in stripes), and a redraw more than 5 s after the minute is not the minute's. Damage
elsewhere (the blinking reference clock, the clock texts) is ignored. Under
QT_SCALE_FACTOR all of these are in the window's device pixels, as many times more.
"""
import os
import select
import sys
import time

from Xlib import X, display
from Xlib.ext import damage

SCALE = float(os.environ.get("QT_SCALE_FACTOR") or 1)
CHART_TOP, CHART_BOTTOM, CHART_MIN_ROWS = (round(v * SCALE) for v in (150, 597, 400))
BURST_NS = 100_000_000


def find_window(disp, title):
    for window in disp.screen().root.query_tree().children:
        try:
            name = window.get_wm_name()
        except Exception:
            continue
        if isinstance(name, bytes):
            name = name.decode("latin-1")
        if name == title:
            return window
    return None


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    title, seconds = argv[0], float(argv[1])
    disp = display.Display()
    if not disp.has_extension("DAMAGE"):
        sys.exit("redraws.py: the X server has no DAMAGE extension")
    disp.damage_query_version()
    window = find_window(disp, title)
    if window is None:
        sys.exit(f"redraws.py: no window \"{title}\"")
    # Damage is only reported where the window can be seen: it goes on top first, and
    # the repaint that uncovers settles before the watch begins.
    window.configure(stack_mode=X.Above)
    disp.sync()
    time.sleep(0.5)
    window.damage_create(damage.DamageReportRawRectangles)
    disp.sync()

    end = time.monotonic() + seconds
    rows, burst_start = set(), 0
    while (left := end - time.monotonic()) > 0:
        select.select([disp.fileno()], [], [], left)
        while disp.pending_events():
            event = disp.next_event()
            now = time.time_ns()
            area = getattr(event, "area", None)
            if area is None:
                continue
            top, bottom = max(area.y, CHART_TOP), min(area.y + area.height, CHART_BOTTOM)
            if top >= bottom or area.width < 400:
                continue
            if now - burst_start > BURST_NS:
                rows, burst_start = set(), now
            rows.update(range(top, bottom))
            if len(rows) >= CHART_MIN_ROWS:
                rows, burst_start = set(), 0
                late_ms = (now % 60_000_000_000) / 1e6
                if late_ms < 5_000:  # a redraw later than that is not the minute's
                    print(f"{late_ms:.1f}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
