#!/usr/bin/env bash
# Sets up, builds and starts Quillborne under Wine. Needs a display: on a
# machine without one, run it as  xvfb-run -a scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/setup.sh
build=${QUILL_BUILD_ROOT:-$root/build}/win
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target quillborne

if [ -z "${DISPLAY:-}" ]; then
    echo "Quillborne is built: $build/quillborne.exe"
    echo "There is no display to show its window on. Start one, or run:  xvfb-run -a scripts/run.sh"
    exit 1
fi

# A Wine prefix of its own, so that the settings and what a recording sees
# stay apart from any other Windows programs of this user.
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-run}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$build/quillborne.exe" "$@"
