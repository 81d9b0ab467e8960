#!/usr/bin/python3
"""Prints what a screen reader finds in one window of a running program.

Usage: accessibletree.py PROGRAM TITLE [SECONDS]

Waits up to SECONDS (default 20) until PROGRAM (the application's accessible
name) shows a window named TITLE on the accessibility bus, then prints one JSON
object per line for every object inside it: its role, its name, its depth and
whether it can take the focus. Exits 1 when the window never appears.
"""
import json
import sys
import time

import pyatspi


def windows(program):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or (app.name or "").lower() != program.lower():
            continue
        for j in range(app.childCount):
            window = app.getChildAtIndex(j)
            if window is not None:
                yield window


def walk(node, depth, out):
    # A list with thousands of rows would take long to walk; these windows
    # hold a few.
    states = node.getState()
    out.append({
        "role": node.getRoleName(),
        "name": node.name or "",
        "depth": depth,
        "focusable": states.contains(pyatspi.STATE_FOCUSABLE),
        "showing": states.contains(pyatspi.STATE_SHOWING),
    })
    for i in range(min(node.childCount, 500)):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    program, title = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 20.0
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            for window in windows(program):
                if window.name == title:
                    out = []
                    walk(window, 0, out)
                    for item in out:
                        print(json.dumps(item))
                    return 0
        except Exception:  # the program's objects come and go while it starts
            pass
        time.sleep(0.3)
    print("no window %r of %r on the accessibility bus" % (title, program), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
