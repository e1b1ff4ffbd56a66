#!/usr/bin/env python3
"""A whole `quillborne -record -roots HKLM,HKU` in a fresh Wine prefix that
holds 100,000 generated keys with 300,000 values six levels deep under a
user key, besides Wine's own HKLM, with 1% of the generated values changed
by the recorded program. Prints the keys and values recorded, the time and
the peak resident memory of the recording's process.

    whole_recording_bench.py <wine> <quillborne.com> [keys]
"""

import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scripts"))
from wine_paths import windows_path  # noqa: E402

FANOUT = 10  # subkeys per key: 10^5 keys at the sixth level and below


def generated_keys(count):
    """Key paths six levels deep, in the order a depth-first walk makes."""
    keys = []
    for index in range(count):
        digits = "%05d" % index
        keys.append("\\".join("L%d_%s" % (level, digits[:level + 1]) for level in range(5)) + "\\K" + digits)
    return keys


def reg_file(path, keys, values):
    with open(path, "w", encoding="utf-16") as out:
        out.write("Windows Registry Editor Version 5.00\r\n\r\n")
        for key in keys:
            out.write("[HKEY_CURRENT_USER\\Software\\QuillborneBench\\%s]\r\n" % key)
            for name, data in values(key):
                out.write('"%s"="%s"\r\n' % (name, data.replace("\\", "\\\\")))
            out.write("\r\n")


def main():
    wine, console = sys.argv[1:3]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 100000
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        environment = dict(os.environ, WINEPREFIX=str(folder / "prefix"), WINEDEBUG="-all",
                           WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
        subprocess.run([wine, "wineboot", "-i"], env=environment, check=True, capture_output=True)
        keys = generated_keys(count)
        reg_file(folder / "data.reg", keys, lambda key: [("A", key), ("B", "b" * 16), ("C", "c")])
        reg_file(folder / "change.reg", keys[::100], lambda key: [("B", "changed")])
        subprocess.run([wine, "regedit", "/s", windows_path(folder / "data.reg")], env=environment, check=True)
        command = ["/usr/bin/time", "-f", "%M %e", wine, console, "-record", "-roots", "HKLM,HKU", "-paths",
                   windows_path(folder), "-no-watch", "-quiet", "-json", windows_path(folder / "result.json"),
                   "-report", windows_path(folder / "report.html"), "--", "regedit", "/s",
                   windows_path(folder / "change.reg")]
        done = subprocess.run(command, env=environment, capture_output=True, text=True)
        measured = re.findall(r"^(\d+) ([\d.]+)$", done.stderr, re.M)
        if not measured:
            print(done.stdout + done.stderr)
            return 1
        peak_kib, seconds = measured[-1]
        print("%d generated keys, %d values, 1%% changed: exit %d, %.1f s, peak %.0f MiB resident"
              % (count, 3 * count, done.returncode, float(seconds), int(peak_kib) / 1024.0))
    return 0


if __name__ == "__main__":
    sys.exit(main())
