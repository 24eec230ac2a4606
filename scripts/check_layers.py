#!/usr/bin/env python3
"""Fails when a source file includes a header from a folder its own folder may not use.

The rule is the layout table in docs/architecture.md ("may use"), written here as data. A file's
layer is its top folder, except skype/, which is two libraries (skype/link below calls/, and
skype/dispatcher above it), app/program/, the program's main, which puts every part together, and
ui/controls/, the user interface's Qt-only widgets, which use nothing of the program but platform/.
Every layer may use its own folder and the generated string ids (data/). Tests, benchmarks, fuzz
targets and build helpers may use anything.

The user interface reaches app/ only through the headers of its seam (UI_SEAM, listed in
docs/architecture.md): the sheet's services and the parts it implements, and two headers of names.

    scripts/check_layers.py            check the repository this script lives in
    scripts/check_layers.py <root>     check another checkout
"""
import pathlib
import re
import sys

# The only app/ headers ui/ may include: the one way up (the sheet's services), the parts the user
# interface implements and its installer fills, and the program's names and web addresses.
UI_SEAM = {
    "app/parts/sheet_services.h",
    "app/parts/property_sheet.h",
    "app/parts/image_lists.h",
    "app/tray_host.h",
    "app/app_components.h",
    "app/app_names.h",
    "app/web_links.h",
}

# layer -> the layers its files may include (besides its own and data/).
MAY_USE = {
    "platform": set(),
    "foundation": {"platform"},
    "skype/link": {"foundation", "platform"},
    "audio": {"foundation", "platform", "vxrelay/vxrelay.h"},
    "calls": {"skype/link", "audio", "foundation", "platform"},
    "skype/dispatcher": {"skype/link", "calls", "audio", "foundation", "platform"},
    "net": {"foundation", "platform"},
    "app": {"skype/link", "skype/dispatcher", "calls", "audio", "net", "foundation", "platform"},
    "app/program": {"app", "ui", "ui/controls", "skype/link", "skype/dispatcher", "calls", "audio", "net",
                    "foundation", "platform"},
    "ui": UI_SEAM | {"ui/controls", "skype/link", "skype/dispatcher", "calls", "audio", "net", "foundation",
                     "platform"},
    "ui/controls": {"platform"},
    "vxrelay": {"platform"},
    "sim": {"foundation", "platform"},
}
ANYTHING = {"tests", "bench", "fuzz", "cmake", "data", "scripts", "docs"}
SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cc", ".cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(relative: str) -> str:
    parts = relative.split("/")
    if parts[0] == "skype" and len(parts) > 2:
        return "skype/" + parts[1]
    if parts[:2] == ["app", "program"] and len(parts) > 2:
        return "app/program"
    if parts[:2] == ["ui", "controls"] and len(parts) > 2:
        return "ui/controls"
    return parts[0]


def allowed(own: str, header: str) -> bool:
    target = layer_of(header)
    if target in (own, "data"):
        return True
    uses = MAY_USE[own]
    # An entry may name a single header (a library's public interface) instead of a whole layer.
    return target in uses or header in uses


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        top = relative.split("/")[0]
        if top in ANYTHING or top.startswith(("build", ".")):
            continue
        own = layer_of(relative)
        if own not in MAY_USE:
            faults.append(f"{relative}: folder '{own}' is missing from the layer table")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            # Includes without a folder are the same folder's or a system header's.
            if match and "/" in match.group(1) and not allowed(own, match.group(1)):
                faults.append(f"{relative}:{number}: {own} may not include \"{match.group(1)}\"")
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) break the layer table in docs/architecture.md")
        return 1
    print("layers: every include goes one way down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
