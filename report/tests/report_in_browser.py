#!/usr/bin/env python3
"""Loads the hostile sample report in headless Chromium and checks the page
the browser built from it: nothing recorded became an element or an event
handler, nothing ran, every table has its rows, and the CJK name survived.

    report_in_browser.py <quill_report_sample> <work folder> <results xml>
"""

import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from test_results import write_results  # noqa: E402

# Rows (header rows included) of every table, in page order: details with
# the notes row, processes, disk usage, keys, values, keys, values, live
# events, modified, deleted and new files, shell events, footer.
EXPECTED_ROWS = [6, 3, 3, 2, 3, 2, 2, 3, 2, 2, 3, 2, 1]
CJK = "\u4e2d\u6587\u540d"


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = []
        self.handlers = []
        self.tables = []
        self.title = ""
        self.text = []
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        self.handlers += [(tag, name) for name, _ in attrs if name.lower().startswith("on")]
        if tag == "table":
            self.tables.append(0)
        elif tag == "tr" and self.tables:
            self.tables[-1] += 1
        self._in_title = tag == "title"

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data
        self.text.append(data)


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    sys.exit("chromium is not installed: run scripts/setup.sh")


def dump_dom(report, profile):
    result = subprocess.run(
        [chromium(), "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--user-data-dir=" + profile, "--dump-dom", "file://" + report],
        capture_output=True, timeout=120, check=True)
    return result.stdout.decode("utf-8")


def main():
    sample, work, xml = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    subprocess.run([sample], cwd=work, check=True, stdout=subprocess.DEVNULL)
    report = os.path.join(os.path.abspath(work), "QuillborneReport.html")
    with tempfile.TemporaryDirectory() as profile:
        page = Page()
        page.feed(dump_dom(report, profile))
    text = "".join(page.text)

    checks = [
        ("NoScriptElement", "script" not in page.tags, str(page.tags.count("script")) + " script elements"),
        ("NoImageElement", "img" not in page.tags, str(page.tags.count("img")) + " img elements"),
        ("NoEventHandler", not page.handlers, repr(page.handlers)),
        ("NothingRan", page.title == "Quillborne Report", "title " + repr(page.title)),
        ("TableRows", page.tables == EXPECTED_ROWS, repr(page.tables) + " != " + repr(EXPECTED_ROWS)),
        ("CjkNameIntact", CJK in text, "no " + CJK),
        ("MarkupShownAsText", "<script>document.title='pwned'</script>" in text, "script text missing"),
    ]
    return write_results(xml, "ReportInBrowser", checks)


if __name__ == "__main__":
    sys.exit(main())
