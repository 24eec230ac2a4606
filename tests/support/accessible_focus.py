#!/usr/bin/python3
"""Prints each object that gets the focus on the desktop's accessibility bus (AT-SPI), as a screen
reader announces it, one line each: "role | name | x y width height". Popup menus are not in an
application's tree of windows, so tests read a menu's entries this way, one by one as the keyboard
moves through them.

  accessible_focus.py [--seconds N]

Prints "ready" once it listens; ends after N seconds (default 120), or when killed. Exit status 2
when the bus cannot be reached. The session bus comes from DBUS_SESSION_BUS_ADDRESS.
"""
import argparse
import sys

from gi.repository import GLib


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=120)
    args = parser.parse_args()
    try:
        import pyatspi
    except Exception as error:  # noqa: BLE001 - any failure here means no usable bus
        print(f"accessible_focus: the accessibility bus cannot be reached: {error}", file=sys.stderr)
        return 2

    def announce(event):
        if not event.detail1:
            return
        node = event.source
        try:
            line = f"{node.getRoleName()} | {node.name or ''}"
            try:
                box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                line += f" | {box.x} {box.y} {box.width} {box.height}"
            except NotImplementedError:
                line += " | "
        except Exception:  # noqa: BLE001 - an object that went away while read is skipped
            return
        print(line, flush=True)

    pyatspi.Registry.registerEventListener(announce, "object:state-changed:focused")
    GLib.timeout_add_seconds(args.seconds, pyatspi.Registry.stop)
    print("ready", flush=True)
    pyatspi.Registry.start()
    return 0


if __name__ == "__main__":
    sys.exit(main())
