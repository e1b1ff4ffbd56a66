#!/usr/bin/env python3
"""Runs check-layers.py over small checkouts of two floors and a benchmark
folder, one per case, and writes the cases as test results.

    check_layers_test.py <results xml>
"""

import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from test_results import write_results  # noqa: E402

CHECK = Path(__file__).resolve().parent.parent / "check-layers.py"
MAP = """# Architecture

| Floor | Folder | Owns |
| --- | --- | --- |
| 1 | `low/` | the ground floor |
| 2 | `high/` | the floor above |
| top | `bench/` | beside the product |
"""
# Every case's checkout also holds this, so that the check has an include to
# read; only READS_NOTHING's, which must fail for reading none, does not.
BASE = {"high/Base.cpp": '#include "low/Base.h"\n'}

# name, files, passes, a text the report must hold when it fails
CASES = [
    ("AnIncludeFromBelowPasses", {"high/a.cpp": '#include "low/b.h"\n'}, True, ""),
    ("AnIncludeFromAboveFails", {"low/a.cpp": '#include "high/b.h"\n'}, False,
     "low/a.cpp:1: low/ (floor 1) includes high/b.h from high/ (floor 2) above it"),
    ("ATestCountsWithItsFolder", {"low/tests/aTest.cpp": '#include "high/tests/Fake.h"\n'}, False, "above it"),
    ("AWin32FileCountsWithItsFolder", {"low/win32/a.cpp": '#include "high/win32/b.h"\n'}, False, "above it"),
    ("AnIndentedIncludeIsRead", {"low/a.h": '#pragma once\n  #  include "high/b.h"\n'}, False, "above it"),
    ("PortableCodeMayNotIncludeWindows", {"low/a.cpp": "#include <Windows.h>\n"}, False,
     "portable code includes <Windows.h>"),
    ("PortableCodeMayNotIncludeAShellHeader", {"high/tests/aTest.cpp": "#include <shellapi.h>\n"}, False,
     "portable code includes <shellapi.h>"),
    ("PortableCodeMayNotIncludeAWin32Header", {"high/a.h": '#include "low/win32/Handle.h"\n'}, False,
     "portable code includes the Windows header low/win32/Handle.h"),
    ("Win32CodeMayIncludeWindows", {"low/win32/a.cpp": '#include <windows.h>\n#include "low/win32/b.h"\n'}, True,
     ""),
    ("AResourceMayIncludeItsNeighbour", {"low/win32/a.rc": '#include <windows.h>\n#include "aIds.h"\n'}, True, ""),
    ("AnotherLibrarysHeaderIsNotAFloor", {"low/a.cpp": '#include "nlohmann/json.hpp"\n'}, True, ""),
    ("ABenchmarkMayIncludeEveryFloorAndWindows",
     {"bench/a.cpp": '#include <windows.h>\n#include "high/win32/a.h"\n'}, True, ""),
    ("AFloorMayNotIncludeABenchmark", {"high/a.cpp": '#include "bench/Bench.h"\n'}, False, "from bench/ (floor top)"),
    ("AFolderOnNoFloorFails", {"stray/a.cpp": '#include "low/a.h"\n'}, False,
     "stray/a.cpp: its folder stray/ is on no floor"),
]
READS_NOTHING = ("ACheckThatReadsNothingFails", {"low/a.cpp": "#include <string>\n"}, False,
                 "the check reads nothing")


def run_case(files):
    with tempfile.TemporaryDirectory() as root:
        subprocess.run(["git", "init", "-q", root], check=True)
        for name, text in {"docs/ARCHITECTURE.md": MAP, **files}.items():
            path = Path(root) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text, encoding="utf-8")
        result = subprocess.run([sys.executable, str(CHECK), root], capture_output=True, text=True)
        return result.returncode, result.stdout + result.stderr


def main():
    xml = sys.argv[1]
    results = []
    cases = [(name, {**BASE, **files}, passes, expected) for name, files, passes, expected in CASES]
    for name, files, passes, expected in cases + [READS_NOTHING]:
        code, output = run_case(files)
        ok = (code == 0) == passes and (passes or expected in output)
        results.append((name, ok, output.strip()))
    return write_results(xml, "CheckLayers", results)


if __name__ == "__main__":
    sys.exit(main())
