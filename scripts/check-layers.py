#!/usr/bin/env python3
"""Checks that every folder includes only its own headers and those of the
floors below it, and that no portable file includes a Windows header or a
win32/ header.

    check-layers.py [ROOT]   (ROOT: the checkout, by default this script's)

The floors are read from the folder table of docs/ARCHITECTURE.md, the one
place their order is written: a row "| N | `folder/` | ..." puts the folder on
floor N; a row "| top | `folder/` | ..." marks a folder beside the product
(benchmarks, tools) that may include every floor and is not portable code.
"""

import re
import subprocess
import sys
from pathlib import Path

SOURCES = (".h", ".cpp", ".inc", ".rc")
# Headers of the Windows SDK that portable code must reach through its
# interfaces instead.
WINDOWS_HEADERS = {
    "windows.h", "windef.h", "winbase.h", "winnt.h", "winuser.h", "winreg.h", "winternl.h", "windowsx.h",
    "commctrl.h", "commdlg.h", "shellapi.h", "shlobj.h", "shlwapi.h", "shobjidl.h", "knownfolders.h",
    "objbase.h", "ole2.h", "oleauto.h", "bcrypt.h", "tlhelp32.h", "psapi.h", "wincodec.h",
}
ROW = re.compile(r"^\|\s*(\d+|top)\s*\|\s*`([A-Za-z0-9_-]+)/`\s*\|")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
TOP = sys.maxsize


def read_floors(root):
    floors = {}
    for line in (root / "docs" / "ARCHITECTURE.md").read_text(encoding="utf-8").splitlines():
        match = ROW.match(line)
        if match:
            level, folder = match.groups()
            floors[folder] = TOP if level == "top" else int(level)
    return floors


def source_files(root):
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], cwd=root,
                            check=True, capture_output=True, text=True).stdout.splitlines()
    return sorted(name for name in listed if name.endswith(SOURCES) and "/" in name and (root / name).is_file())


def floor_name(level):
    return "top" if level == TOP else str(level)


def check_file(root, name, floors, problems):
    """Returns how many project headers the file includes."""
    folder = name.split("/", 1)[0]
    if folder not in floors:
        problems.append(f"{name}: its folder {folder}/ is on no floor of docs/ARCHITECTURE.md")
        return 0
    level = floors[folder]
    portable = level != TOP and "win32" not in name.split("/")
    text = (root / name).read_text(encoding="utf-8", errors="replace")
    checked = 0
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        kind, header = match.groups()
        where = f"{name}:{number}"
        if kind == "<":
            if portable and header.lower() in WINDOWS_HEADERS:
                problems.append(f"{where}: portable code includes <{header}>")
            continue
        parts = header.split("/")
        if portable and "win32" in parts[:-1]:
            problems.append(f"{where}: portable code includes the Windows header {header}")
        used = parts[0] if len(parts) > 1 else None
        checked += used in floors
        if used in floors and floors[used] > level:
            problems.append(f"{where}: {folder}/ (floor {floor_name(level)}) includes {header} "
                            f"from {used}/ (floor {floor_name(floors[used])}) above it")
    return checked


def main(arguments):
    root = Path(arguments[0]).resolve() if arguments else Path(__file__).resolve().parent.parent
    floors = read_floors(root)
    if not floors:
        print("check-layers: docs/ARCHITECTURE.md names no floors")
        return 1
    problems = []
    files = source_files(root)
    includes = sum(check_file(root, name, floors, problems) for name in files)
    # A check that reads no include passes whatever the code does.
    if includes == 0:
        problems.append("no include of a project header was found: the check reads nothing")
    for problem in problems:
        print(problem)
    print(f"check-layers: {len(files)} files, {includes} includes of project headers, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
