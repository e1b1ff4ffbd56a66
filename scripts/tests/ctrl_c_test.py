#!/usr/bin/env python3
"""Types Ctrl+C on the terminal of a recording from the console program under
Wine, once while it waits for Enter and once while the program it records
runs, and writes the cases as test results.

    ctrl_c_test.py <wine> <quillborne.com> <quill_test_program.exe> <results xml>
"""

import os
import pty
import select
import signal
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from test_results import write_results  # noqa: E402
from wine_paths import windows_path  # noqa: E402

TIMEOUT_SECONDS = 120
STOPPED = "Stopped by Ctrl+C; nothing was written."
WAIT_EVENT = "QuillborneCtrlCTest"
INTERRUPTED = 9


def run_on_terminal(command, waiting_line, release):
    """Runs the command on a new pseudo-terminal and types Ctrl+C once the
    line appears, then calls release once it says it stopped; returns the
    exit code (None when it did not end in time) and what the terminal
    showed."""
    pid, terminal = pty.fork()
    if pid == 0:
        os.execvp(command[0], command)
    shown = b""
    typed = False
    released = False
    deadline = time.monotonic() + TIMEOUT_SECONDS
    while time.monotonic() < deadline:
        ready, _, _ = select.select([terminal], [], [], deadline - time.monotonic())
        if not ready:
            break
        try:
            data = os.read(terminal, 4096)
        except OSError:  # the terminal closed with the last process on it
            break
        if not data:
            break
        shown += data
        if not typed and waiting_line.encode() in shown:
            os.write(terminal, b"\x03")
            typed = True
        if not released and STOPPED.encode() in shown:
            release()
            released = True
    late = time.monotonic() >= deadline
    if late:
        os.kill(pid, signal.SIGKILL)
    _, status = os.waitpid(pid, 0)
    os.close(terminal)
    return (None if late else os.waitstatus_to_exitcode(status)), shown.decode(errors="replace")


def main():
    wine, console, test_program, xml = sys.argv[1:5]
    results = []
    with tempfile.TemporaryDirectory() as folder:
        empty = Path(folder) / "empty"
        empty.mkdir()
        report = Path(folder) / "report.html"
        record = [wine, console, "-record", "-roots", "HKCU", "-paths", windows_path(empty), "-no-watch",
                  "-report", windows_path(report)]
        cases = [
            ("CtrlCWhileWaitingForEnterWritesNothing", record, "press Enter"),
            ("CtrlCWhileTheProgramRunsWritesNothing",
             record + ["--", windows_path(test_program), "wait", WAIT_EVENT], "Waiting until"),
        ]
        # The recorded program outlives the recording and keeps the terminal
        # open; it is let go, and not left to show up in the process lists of
        # the next tests.
        def release():
            os.spawnvp(os.P_WAIT, wine, [wine, test_program, "set", WAIT_EVENT])

        for name, command, waiting_line in cases:
            code, shown = run_on_terminal(command, waiting_line, release)
            passed = code == INTERRUPTED and STOPPED in shown and not report.exists()
            results.append((name, passed, "exit code %s, report %s, shown: %s"
                            % (code, "written" if report.exists() else "absent", shown.strip())))
    return write_results(xml, "CtrlC", results)


if __name__ == "__main__":
    sys.exit(main())
