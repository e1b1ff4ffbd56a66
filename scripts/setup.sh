#!/usr/bin/env bash
# Installs what building and testing Quillborne needs on Debian; does nothing
# when everything is there already.
set -euo pipefail

packages=(
    cmake make g++ pkg-config libgtest-dev libgmock-dev googletest libssl-dev nlohmann-json3-dev zlib1g-dev clang-format
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
    wine wine64 xvfb xauth x11-utils imagemagick chromium python3 fp-utils wixl msitools
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" != 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
