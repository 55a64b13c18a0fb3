# Sourced by Orvane's scripts: the Wine environment of the project-local prefix.
#
# The product is a 32-bit program. Where this machine can run 32-bit code, Windows programs run
# in a 32-bit prefix. Where the kernel has 32-bit emulation switched off (Wine then fails with
# "Exec format error"), the same sources are built for x86_64 and run in a 64-bit prefix.
orvane_root=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)

if [ -z "${ORVANE_WINE_ARCH:-}" ]; then
    if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        ORVANE_WINE_ARCH=win32
    else
        ORVANE_WINE_ARCH=win64
    fi
fi
export ORVANE_WINE_ARCH

if [ "$ORVANE_WINE_ARCH" = win32 ]; then
    ORVANE_WINE=/usr/bin/wine
    ORVANE_TARGET=i686
else
    ORVANE_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
    ORVANE_TARGET=x86_64
fi
# The build that Wine runs, and the folder of its prefix.
: "${ORVANE_RUN_BUILD:=$orvane_root/build/windows-$ORVANE_TARGET}"
: "${ORVANE_WINEPREFIX:=$orvane_root/build/wineprefix-$ORVANE_WINE_ARCH}"
export ORVANE_RUN_BUILD ORVANE_WINEPREFIX ORVANE_TARGET ORVANE_WINE

export WINEPREFIX="$ORVANE_WINEPREFIX"
export WINEARCH="$ORVANE_WINE_ARCH"
export WINEDEBUG="${WINEDEBUG:--all}"
# No install dialogs, and no copying of shortcuts into the Linux desktop menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
