#!/bin/bash
# Installs what Orvane's build, run and tests need on Debian 12, skipping what is already there.
# Run as root (or with sudo available).
#
# A mirror in the middle of a sync serves some package indexes that do not match its release file;
# apt then ignores them. The update is tried a few times. When the 32-bit Wine still cannot be
# installed (its libraries must have the very versions of the 64-bit ones, which may come from an
# index the mirror does not serve whole), everything else is installed and the scripts run the
# Windows tests on the x86_64 build, as on a machine that cannot run 32-bit programs.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest libgtest-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    wine wine64 fonts-wine fonts-wqy-microhei locales
    xvfb xdotool x11-utils imagemagick python3 python3-pil fonts-dejavu-core e2fsprogs git
)
# The 32-bit Wine, wanted but not required.
wanted=(wine32:i386)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}

apt_install() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# Updates the package indexes, again while some index fails to download (at most three times).
update_indexes() {
    local try log
    log=$(mktemp)
    for try in 1 2 3; do
        if $sudo apt-get update -qq >"$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log"; then
            rm -f "$log"
            return 0
        fi
        [ "$try" -lt 3 ] && sleep $((try * 10))
    done
    echo "setup-debian.sh: some package indexes could not be read; going on with the others:" >&2
    grep '^E:' "$log" >&2 || true
    rm -f "$log"
}

mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_wanted < <(missing_of "${wanted[@]}")
if [ ${#missing[@]} -gt 0 ] || [ ${#missing_wanted[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]} ${missing_wanted[*]}" >&2
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    update_indexes
    if ! apt_install "${missing[@]}" "${missing_wanted[@]}" 2>/dev/null; then
        [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"
        if [ ${#missing_wanted[@]} -gt 0 ] && ! apt_install "${missing_wanted[@]}" 2>/dev/null; then
            echo "setup-debian.sh: the 32-bit Wine (wine32:i386) cannot be installed from these" \
                "package indexes; the Windows tests will run on the x86_64 build." >&2
        fi
    fi
fi

# Wine runs as on a Russian Windows (code page 1251), which needs the Russian UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\{0,1\}8'; then
    echo "Generating the ru_RU.UTF-8 locale" >&2
    $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
