#!/usr/bin/python3
"""Prints what an application shows through the desktop's accessibility bus (AT-SPI), as a person
with a screen reader would meet it: one line per visible object, indented by depth, as
"role | name | x y width height" (its place on the screen), with " | selected" after an object that
is selected (a page's tab, a list's row). Tests read a real window's contents with it, widget by
widget, instead of guessing them from pixels, and click where an object is.

  accessible_tree.py APPLICATION [--depth N]

APPLICATION is the application's name on the bus (a Qt program's is its binary's name). Exit
status: 0 with the tree printed, 1 when no such application is on the bus, 2 when the bus cannot
be reached. The session bus comes from DBUS_SESSION_BUS_ADDRESS.
"""
import argparse
import signal
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("application")
    parser.add_argument("--depth", type=int, default=40)
    args = parser.parse_args()
    # A program that stops answering its accessibility calls must not hang the test that asked.
    signal.alarm(30)
    try:
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
    except Exception as error:  # noqa: BLE001 - any failure here means no usable bus
        print(f"accessible_tree: the accessibility bus cannot be reached: {error}", file=sys.stderr)
        return 2

    out = []

    def walk(node, depth):
        if node is None or depth > args.depth:
            return
        try:
            states = node.getState()
            if depth > 0 and not states.contains(pyatspi.STATE_SHOWING):
                return
            line = "  " * depth + f"{node.getRoleName()} | {node.name or ''}"
            try:
                box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                line += f" | {box.x} {box.y} {box.width} {box.height}"
            except NotImplementedError:
                line += " | "
            if states.contains(pyatspi.STATE_SELECTED):
                line += " | selected"
            out.append(line)
            for child in node:
                walk(child, depth + 1)
        except Exception:  # noqa: BLE001 - an object that went away while read is skipped
            return

    found = False
    for application in desktop:
        if application is not None and application.name == args.application:
            found = True
            walk(application, 0)
    if not found:
        print(f"accessible_tree: no application \"{args.application}\" on the accessibility bus", file=sys.stderr)
        return 1
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
