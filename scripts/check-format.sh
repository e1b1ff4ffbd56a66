#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
# C++ sources only: resource scripts (.rc) are not C++, and clang-format would
# run their statements together.
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
if ((${#files[@]} == 0)); then
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/quill-format.log; then
    grep -E '^[^ ].*(warning|error):' /tmp/quill-format.log | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    echo "Run: clang-format -i \$(git ls-files '*.cpp' '*.h')"
    exit 1
fi
