#!/usr/bin/python3
"""Starts a program and times its start-up from the X server's side.

usage: launch.py [--paint | --keep] [--stderr FILE] TITLE EXE [ARGS...]

Prints one line, "MAPPED_MS CPU_MS PAINT_MS PAINT_CPU_MS":
  MAPPED_MS     from the launch to the MapNotify event of the top-level window whose
                WM_NAME is (or becomes) TITLE; the watcher listens on the root window and
                nothing polls;
  CPU_MS        the CPU time of all the process's threads when that event arrived;
  PAINT_MS      with --paint, from the launch to the program's report of its first
                complete paint (HORAVANE_REPORT_PAINT, see app/FirstPaintReport.h);
  PAINT_CPU_MS  the process's CPU time at that report; both "-" without --paint.
The program is then ended (SIGTERM) and waited for; with --keep it is left running and
its process id is printed on a second line. What the program writes to stderr (but the
report) is appended to FILE, if given. Exit status 1 if the program ends, or does not
map its window (or report its paint) within 20 seconds.
"""
import os
import select
import signal
import subprocess
import sys
import time

from Xlib import X, display

LIMIT_S = 20.0
PAINT_LINE = b"horavane: first complete paint "


def cpu_ns(pid):
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
    except (FileNotFoundError, ProcessLookupError):
        pass
    return total


def window_name(disp, window):
    try:
        name = window.get_wm_name()
    except Exception:  # the window went away
        return None
    return name.decode("latin-1") if isinstance(name, bytes) else name


def main(argv):
    paint = keep = False
    log = None
    while argv and argv[0].startswith("--"):
        flag = argv.pop(0)
        if flag == "--paint":
            paint = True
        elif flag == "--keep":
            keep = True
        elif flag == "--stderr" and argv:
            log = argv.pop(0)
        else:
            sys.exit(__doc__)
    # A kept program would outlive the pipe its report comes through.
    if len(argv) < 2 or (paint and keep):
        sys.exit(__doc__)
    title, command = argv[0], argv[1:]

    disp = display.Display()
    disp.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
    disp.sync()

    env = dict(os.environ)
    if paint:
        env["HORAVANE_REPORT_PAINT"] = "1"
    start = time.monotonic_ns()
    sink = open(log, "ab") if log else subprocess.DEVNULL
    proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE if paint else sink)
    maps = []  # (window, instant, CPU time) of every top-level window mapped
    mapped = cpu = None
    painted = painted_cpu = None
    stderr = b""
    deadline = time.monotonic() + LIMIT_S
    try:
        while mapped is None or (paint and painted is None):
            if time.monotonic() > deadline or proc.poll() is not None:
                return fail(proc, stderr, "no window" if mapped is None else "no paint report")
            sources = [disp.fileno()] + ([proc.stderr] if paint and painted is None else [])
            readable, _, _ = select.select(sources, [], [], 0.5)
            if paint and proc.stderr in readable:
                chunk = os.read(proc.stderr.fileno(), 4096)
                stderr += chunk
                for line in stderr.splitlines():
                    if line.startswith(PAINT_LINE):
                        at, at_cpu = (int(v) for v in line[len(PAINT_LINE):].split()[:2])
                        painted, painted_cpu = (at - start) / 1e6, at_cpu / 1e6
            while disp.pending_events():
                event = disp.next_event()
                if event.type == X.MapNotify and mapped is None:
                    # Timed on arrival; the name is looked up after, with a round trip.
                    maps.append((event.window, time.monotonic_ns(), cpu_ns(proc.pid)))
            # A window may be mapped before it is given its title: look again later.
            for window, at, at_cpu in maps if mapped is None else []:
                if window_name(disp, window) == title:
                    mapped, cpu = (at - start) / 1e6, at_cpu / 1e6
    finally:
        if not keep:
            end(proc)
            if paint:
                stderr += proc.stderr.read()
        if log and paint:
            with open(log, "ab") as f:
                f.writelines(line + b"\n" for line in stderr.splitlines()
                             if not line.startswith(PAINT_LINE))
    fmt = lambda v: "-" if v is None else f"{v:.1f}"
    print(fmt(mapped), fmt(cpu), fmt(painted), fmt(painted_cpu))
    if keep:
        print(proc.pid)
    return 0


def end(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def fail(proc, stderr, what):
    end(proc)
    sys.stderr.write(f"launch.py: {what} from the program\n")
    sys.stderr.buffer.write(stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
