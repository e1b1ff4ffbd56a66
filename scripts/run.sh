#!/usr/bin/env bash
# Sets up and builds Quillborne. With a display, starts it under Wine. Without
# one, or with  scripts/run.sh demo , runs the demo instead: records the sample
# installer built with the project, from the command line, and prints what it
# found and where the HTML report, the JSON result and the undo script are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup.sh
build=${QUILL_BUILD_ROOT:-$root/build}/win
# The toolchain counts only when the folder is configured the first time; given
# again, CMake warns that nothing used it.
toolchain=()
if [ ! -f "$build/CMakeCache.txt" ]; then
    toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
fi
cmake -S . -B "$build" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target quillborne quillborne_console quill_sample_installer

export WINEDEBUG=${WINEDEBUG:--all}

if [ "${1:-}" != demo ] && [ -n "${DISPLAY:-}" ]; then
    # A Wine prefix of its own, so that the settings and what a recording
    # sees stay apart from any other Windows programs of this user.
    export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-run}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    exec wine "$build/quillborne.exe" "$@"
fi

# The demo records in a new prefix each time, so that the sample installs
# into a machine that has never seen it. Wine's menu builder stays off: it
# would answer the sample's shortcut with entries in this user's menus.
export WINEPREFIX=$root/build/wineprefix-demo
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
out=$root/build/demo
rm -rf "$WINEPREFIX" "$out"
mkdir -p "$out"
echo "Preparing a Wine prefix for the demo (takes a few seconds)..."
wineboot --init >/dev/null 2>&1
wineserver -w

report=$(winepath -w "$out/QuillborneReport.html")
json=$(winepath -w "$out/result.json")
undo=$(winepath -w "$out/undo.reg")
installer=$(winepath -w "$build/quill_sample_installer.exe")

echo
echo "quillborne -record -roots HKCU -paths '\"C:\\Program Files\"*\"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\"' ... -- quill_sample_installer.exe"
set +e
wine "$build/quillborne.com" -record -roots HKCU \
    -paths '"C:\Program Files"*"C:\ProgramData\Microsoft\Windows\Start Menu"' \
    -no-watch -hash md5 -report "$report" -json "$json" -undo "$undo" \
    -- "$installer" | tr -d '\r'
code=${PIPESTATUS[0]}
set -e
wineserver -w

case $code in
0) meaning="recorded, no change" ;;
1) meaning="recorded, with changes" ;;
2) meaning="recorded, but something could not be recorded (see the notes in the report)" ;;
3) meaning="the sample installer could not be started" ;;
4) meaning="usage error" ;;
5) meaning="the report, the JSON or the undo script could not be written" ;;
*) meaning="unexpected" ;;
esac
echo
echo "Exit code $code: $meaning"
for file in QuillborneReport.html result.json undo.reg undo.files.txt; do
    if [ -f "$out/$file" ]; then
        echo "  $out/$file"
    fi
done
((code <= 2))
