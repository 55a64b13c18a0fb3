#!/bin/bash
# Installs what Orvane's build, run and tests need on Debian 12, skipping what is already there.
# Run as root (or with sudo available).
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    wine wine64 wine32:i386 fonts-wine fonts-wqy-microhei locales
    xvfb xdotool x11-utils imagemagick python3 python3-pil fonts-dejavu-core e2fsprogs git
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Wine runs as on a Russian Windows (code page 1251), which needs the Russian UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\{0,1\}8'; then
    echo "Generating the ru_RU.UTF-8 locale" >&2
    $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
