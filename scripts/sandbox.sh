#!/bin/bash
# Creates the sandbox Wine prefix, whose two Start-menu Programs folders hold a fixed sample of
# shortcuts and program groups (made by orvane-sandbox.exe), and prints those folders' Linux paths.
#
# Usage: scripts/sandbox.sh [--fresh] [--build DIR]
#   --fresh      delete the sandbox prefix and build it again from scratch
#   --build DIR  the Windows build holding orvane-sandbox.exe (default: ORVANE_RUN_BUILD)
# The prefix is ORVANE_SANDBOX_PREFIX, by default build/sandbox-<Wine arch>. Once filled, it is
# left alone unless --fresh is given. Nothing is built here: build the Windows tree first.
set -euo pipefail

scripts_dir=$(cd "$(dirname "$0")" && pwd)
. "$scripts_dir/wine-env.sh"

fresh=0
build=$ORVANE_RUN_BUILD
orvane_options sandbox.sh "$@"
for arg in "${orvane_other_args[@]}"; do
    case "$arg" in
    --fresh) fresh=1 ;;
    *)
        echo "sandbox.sh: unknown argument $arg (try --help)" >&2
        exit 2
        ;;
    esac
done

prefix=${ORVANE_SANDBOX_PREFIX:-$orvane_root/build/sandbox-$ORVANE_WINE_ARCH}
case "$prefix" in
/*) ;;
*) prefix=$PWD/$prefix ;;
esac
# From here on every Wine program (wine-prefix.sh and wine-run.sh too) uses the sandbox prefix.
export ORVANE_WINEPREFIX=$prefix
export WINEPREFIX=$prefix
marker=$prefix/.orvane-sandbox

print_folders() {
    echo "Sandbox Wine prefix:       $prefix"
    echo "All-users Programs folder: $(sed -n 's/^common=//p' "$marker")"
    echo "User's Programs folder:    $(sed -n 's/^user=//p' "$marker")"
}

if [ "$fresh" = 0 ] && [ -f "$marker" ] && orvane_prefix_ready; then
    print_folders
    exit 0
fi

exe=$build/tests/tools/orvane-sandbox.exe
if [ ! -f "$exe" ]; then
    exe=$(find "$build" -name orvane-sandbox.exe -type f -print -quit 2>/dev/null || true)
fi
if [ -z "$exe" ] || [ ! -f "$exe" ]; then
    echo "sandbox.sh: orvane-sandbox.exe not found in $build; build the Windows tree first" >&2
    exit 1
fi

if [ "$fresh" = 1 ] && [ -e "$prefix" ]; then
    # Refuse to wipe a folder that is not a Wine prefix (a mistyped ORVANE_SANDBOX_PREFIX).
    if [ ! -f "$prefix/system.reg" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
        echo "sandbox.sh: $prefix is not a Wine prefix; not deleting it" >&2
        exit 1
    fi
    timeout 60 wineserver -k >/dev/null 2>&1 || true
    timeout 60 wineserver -w >/dev/null 2>&1 || true
    rm -rf -- "$prefix"
fi

orvane_prefix_ready || "$scripts_dir/wine-prefix.sh"
rm -f -- "$marker"

# Saving a shortcut into the Start menu makes Wine start winemenubuilder, which would copy the
# sample into the Linux desktop's menus; switch it off in this prefix.
orvane_wine 60 reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe \
    /t REG_SZ /d '' /f >/dev/null 2>&1 ||
    { echo "sandbox.sh: cannot switch off winemenubuilder in $prefix" >&2; exit 1; }

"$scripts_dir/wine-run.sh" "$exe" --clean

# The folders as Windows paths (one a line, all users first), then as Linux paths.
folders=()
while IFS= read -r line; do
    line=${line%$'\r'}
    [ -n "$line" ] && folders+=("$line")
done < <("$scripts_dir/wine-run.sh" "$exe" --where)
if [ "${#folders[@]}" -ne 2 ]; then
    echo "sandbox.sh: orvane-sandbox.exe --where did not print the two Programs folders" >&2
    exit 1
fi
linux_folder() {
    local unix
    unix=$("$scripts_dir/wine-run.sh" winepath -u "$1" 2>/dev/null | tr -d '\r')
    # winepath answers through dosdevices/c:; the real folder is under drive_c.
    if [ -z "$unix" ] || [ ! -d "$unix" ]; then
        echo "sandbox.sh: no Linux folder for $1" >&2
        return 1
    fi
    (cd "$unix" && pwd -P)
}
common=$(linux_folder "${folders[0]}")
user=$(linux_folder "${folders[1]}")
printf 'common=%s\nuser=%s\n' "$common" "$user" >"$marker.tmp"
timeout 120 wineserver -w || true
mv -f -- "$marker.tmp" "$marker"
print_folders
