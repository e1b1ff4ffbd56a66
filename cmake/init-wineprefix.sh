#!/bin/sh
# Prepares the tests' private Wine prefix: creates it, and lets every program
# run inside one virtual desktop, where hiding a window costs no time (without
# a window manager Wine waits about two seconds for each).
set -e
wineboot --init
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x900 /f >/dev/null
# Reports the program opens go to a browser that shows nothing: tests must
# not start the host's browser.
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d true /f >/dev/null
wineserver -w
