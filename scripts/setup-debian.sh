#!/bin/bash
# Installs what Orvane's build, run and tests need on Debian 12, skipping what is already there.
# Run as root (or with sudo available).
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    wine wine64 wine32:i386 fonts-wine
    xvfb xdotool x11-utils imagemagick python3-pil fonts-dejavu-core
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
