#!/usr/bin/env python3
"""Keeps the floors of src/ apart: a file includes headers of its own floor and of the floors it
stands on, never of a floor above or beside it, and the floors without Qt include no Qt header.
Prints one line per offending include and exits 1 when there is any. Standard library only."""

import pathlib
import re
import sys

# Each floor with the floors it may include, lowest first. The longest folder that holds a file
# names its floor.
BASE = ("core", "net", "media")
FLOORS = {
    "core": (),
    "net": ("core",),
    "media": ("core",),
    "cli": BASE,
    "ui/common": BASE,
    "ui/context": BASE + ("ui/common",),
    "ui/dialogs": BASE + ("ui/common", "ui/context"),
    "ui/shell": BASE + ("ui/common", "ui/context", "ui/dialogs"),
    "ui/app": BASE + ("ui/common", "ui/context", "ui/dialogs", "ui/shell"),
    "app": BASE + ("ui/common", "ui/context", "ui/dialogs", "ui/shell", "ui/app"),
}
NO_QT = set(BASE)

QUOTED = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
ANGLED = re.compile(r"^\s*#\s*include\s*<([^>]+)>")
QT_HEADER = re.compile(r"^Qt[A-Za-z]*/|^Q[A-Z][A-Za-z]*$|^q[a-z_]+\.h$")


def floor_of(relative):
    """The floor of a path relative to src/, None when no floor holds it."""
    best = None
    for floor in FLOORS:
        if relative == floor or relative.startswith(floor + "/"):
            if best is None or len(floor) > len(best):
                best = floor
    return best


def check(src):
    problems = []
    src = src.resolve()
    files = sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cpp") and p.is_file())
    for path in files:
        relative = path.relative_to(src).as_posix()
        floor = floor_of(relative)
        if floor is None:
            problems.append(f"{src.name}/{relative}:1: lies on no floor; name its folder in FLOORS")
            continue
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            match = QUOTED.match(line) or ANGLED.match(line)
            if not match:
                continue
            where = f"{src.name}/{relative}:{number}"
            name = match.group(1)
            target = name
            # A name beside the file belongs to its own folder, or to the one it climbs to.
            beside = (path.parent / name).resolve()
            if match.re is QUOTED and beside.is_file() and beside.is_relative_to(src):
                target = beside.relative_to(src).as_posix()
            target_floor = floor_of(target) if match.re is QUOTED else None
            if target_floor is None:
                if floor in NO_QT and QT_HEADER.search(name):
                    problems.append(f"{where}: includes Qt header {name} in a floor without Qt")
                continue
            if target_floor == floor or target_floor in FLOORS[floor]:
                continue
            side = "a higher floor" if floor in FLOORS[target_floor] else "a floor beside it"
            problems.append(f"{where}: includes {name} from {side} ({target_floor})")
    return problems


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                       pathlib.Path(__file__).resolve().parent.parent / "src")
    if not src.is_dir():
        print(f"check_includes: no folder {src}")
        return 1
    problems = check(src)
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
