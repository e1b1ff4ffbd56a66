"""Writes the cases of a test that is not a GoogleTest program in the XML form
the test programs write, so that scripts/test.sh counts them alike."""

import os
from xml.sax.saxutils import quoteattr


def write_results(xml, suite, results):
    """results: (name, passed, what to show when it failed) for each case.
    Prints one line per case too; returns the process's exit code."""
    failures = [r for r in results if not r[1]]
    os.makedirs(os.path.dirname(xml), exist_ok=True)
    with open(xml, "w", encoding="utf-8") as out:
        out.write('<testsuites tests="%d" failures="%d" disabled="0" errors="0" name="%s">\n'
                  % (len(results), len(failures), suite))
        out.write('<testsuite name="%s" tests="%d" failures="%d">\n' % (suite, len(results), len(failures)))
        for name, passed, detail in results:
            out.write('<testcase name="%s">' % name)
            if not passed:
                out.write("<failure message=%s/>" % quoteattr(detail))
            out.write("</testcase>\n")
        out.write("</testsuite>\n</testsuites>\n")
    for name, passed, detail in results:
        print(("ok    " if passed else "FAIL  ") + name + ("" if passed else ": " + detail))
    return 1 if failures else 0
