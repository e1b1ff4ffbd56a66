#!/usr/bin/env bash
# Sets up, builds and runs every test: the formatting and layering checks, the
# portable core natively with AddressSanitizer and UndefinedBehaviorSanitizer,
# then the core, the Win32 layer and the end-to-end tests cross-compiled and
# run under Wine and Xvfb. Ends with one line "N passed, N failed" counting
# test cases.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/setup.sh || exit 1

failed_steps=()
step() {
    local name=$1
    shift
    echo "==> $name"
    if ! "$@"; then
        failed_steps+=("$name")
        return 1
    fi
}

step "format" scripts/check-format.sh
# Each folder includes only the floors below it; docs/ARCHITECTURE.md orders them.
step "layers" python3 scripts/check-layers.py

# QUILL_BUILD_ROOT lets several checkouts or people build side by side.
build=${QUILL_BUILD_ROOT:-$root/build}
native=$build/native
win=$build/win
rm -rf "$native/test-results" "$win/test-results"

if step "native build" cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Debug -DQUILL_SANITIZE=ON -DQUILL_WERROR=ON >/dev/null &&
    step "native build" cmake --build "$native" -j "$jobs"; then
    step "native tests" ctest --test-dir "$native" --output-on-failure -j "$jobs"
fi

# The toolchain counts only when the folder is configured the first time; given
# again, CMake warns that nothing used it.
toolchain=()
if [ ! -f "$win/CMakeCache.txt" ]; then
    toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
fi
if step "windows build" cmake -S . -B "$win" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release -DQUILL_WERROR=ON >/dev/null &&
    step "windows build" cmake --build "$win" -j "$jobs"; then
    export WINEPREFIX=$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    # A display of our own for the tests that open windows.
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=$display
    step "windows tests" ctest --test-dir "$win" --output-on-failure -j "$jobs"
    wineserver -k 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
fi

# Count test cases from the XML files the test programs wrote; a program that
# wrote none (it crashed or did not build) counts as one failure.
passed=0
failed=0
for dir in "$native" "$win"; do
    [ -f "$dir/CTestTestfile.cmake" ] || continue
    for program in $(ctest --test-dir "$dir" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(quill_[a-z0-9_]*\)$/\1/p'); do
        xml=$dir/test-results/$program.xml
        if [ -f "$xml" ]; then
            line=$(grep -m1 '<testsuites' "$xml")
            tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
            failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
            disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
            errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$line")
            skipped=$(grep -c '<skipped' "$xml")
            passed=$((passed + tests - failures - errors - disabled - skipped))
            failed=$((failed + failures + errors))
        else
            echo "no results from $program"
            failed=$((failed + 1))
        fi
    done
done

if ((${#failed_steps[@]})); then
    echo "failed steps: ${failed_steps[*]}"
    if ((failed == 0)); then
        failed=1
    fi
fi
echo "$passed passed, $failed failed"
((failed == 0))
