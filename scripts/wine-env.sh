# Sourced by Orvane's scripts: the Wine environment of the project-local prefix.
#
# The product is a 32-bit program. Where this machine runs 32-bit code natively, Windows programs
# run in a 32-bit prefix on the product's own i686 build. Where it cannot (a kernel with 32-bit
# emulation switched off makes Wine fail with "Exec format error", and a qemu-user binfmt handler
# would run the 32-bit Wine in slow emulation), the same sources are built for x86_64 and run in a
# 64-bit prefix.
orvane_root=$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)

# True when a binfmt_misc handler (such as qemu-user) takes over 32-bit x86 ELF programs: they
# would then run emulated even where the kernel could run them itself.
orvane_i386_emulated() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        case ${entry##*/} in register | status) continue ;; esac
        [ -f "$entry" ] && grep -qx enabled "$entry" 2>/dev/null || continue
        # The ELF header of an i386 program: class 32-bit, little-endian, machine 3.
        grep -Eq '^magic 7f454c460101.*0300$' "$entry" 2>/dev/null && return 0
    done
    return 1
}

if [ -z "${ORVANE_WINE_ARCH:-}" ]; then
    if [ -x /usr/lib/wine/wine ] && ! orvane_i386_emulated &&
        /usr/lib/wine/wine --version >/dev/null 2>&1; then
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
# ORVANE_EXTRA_DLLOVERRIDES adds overrides of a test's own.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${ORVANE_EXTRA_DLLOVERRIDES:+;$ORVANE_EXTRA_DLLOVERRIDES}"

# Windows programs run as on a Russian Windows: ANSI code page 1251, Russian dialogs. Only Wine
# gets the locale; the scripts' own tools keep the caller's.
ORVANE_WINE_LOCALE=ru_RU.UTF-8
export ORVANE_WINE_LOCALE
# Runs a Windows program under Wine in that locale, stopped after SECONDS (0: never).
# Usage: orvane_wine SECONDS PROGRAM [ARGUMENT]...
orvane_wine() {
    local limit=$1
    shift
    LC_ALL=$ORVANE_WINE_LOCALE LANG=$ORVANE_WINE_LOCALE timeout -k 5 "$limit" "$ORVANE_WINE" "$@"
}

# The prefix is set up by scripts/wine-prefix.sh, which writes this mark last; a prefix without
# the current mark (an older one, or one whose set-up broke off) is set up again.
ORVANE_PREFIX_MARK="fonts, ru_RU, lnkfile: 3"
orvane_prefix_ready() {
    [ "$(cat "${1:-$WINEPREFIX}/.orvane-prefix" 2>/dev/null)" = "$ORVANE_PREFIX_MARK" ]
}

# Reads the options the scripts share: --build DIR sets `build`, --help prints the calling script's
# header comment. Any other argument is left in `orvane_other_args` for the script.
# Usage: orvane_options SCRIPT-NAME "$@"
orvane_options() {
    local script=$1
    shift
    orvane_other_args=()
    while [ $# -gt 0 ]; do
        case "$1" in
        --build)
            [ $# -ge 2 ] || { echo "$script: --build needs a folder" >&2; exit 2; }
            build=$2
            shift
            ;;
        --build=*) build=${1#--build=} ;;
        -h | --help)
            sed -n '2,/^[^#]/s/^# \{0,1\}//p' "$0"
            exit 0
            ;;
        *) orvane_other_args+=("$1") ;;
        esac
        shift
    done
}
