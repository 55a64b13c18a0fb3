#!/bin/bash
# DLLs named like those the program loads outside the KnownDLLs (the theme library, the image
# blending library, the desktop window manager's), each leaving a marker file when it is loaded,
# are put beside Orvane.exe, and Windows' search order is forced for those names (native DLLs
# before Wine's own). The window must appear, and no marker may be written: no DLL comes from the
# program's folder (the loader names the file as the import does, so markers are matched in any
# letter case). Wine's own common controls take the theme library from the program's folder
# when any program with their version 6 starts, before the program runs a line of its own; a
# program that does nothing else (the UI test program listing its tests) shows whether they do
# here, and the theme library is then not the program's to answer for.
# Usage: planted_dlls_test.sh REPO BUILD
set -u
repo=$1
build=$2
. "$repo/scripts/wine-env.sh"
folder=$WINEPREFIX/drive_c/OrvanePlanted
names=(uxtheme msimg32 dwmapi)
rm -rf "$folder" && mkdir -p "$folder" || exit 1
cp "$build/app/Orvane.exe" "$folder/" || exit 1
for name in "${names[@]}"; do
    cp "$build/tests/windows/orvane-planted.dll" "$folder/$name.dll" || exit 1
done

overrides=$(IFS=,; echo "${names[*]}")

# What Wine's own DLLs load at the start of any program with the version-6 common controls.
baseline=$WINEPREFIX/drive_c/OrvanePlantedBaseline
rm -rf "$baseline" && mkdir -p "$baseline" || exit 1
cp "$build/tests/ui/orvane-ui-tests.exe" "$build/tests/windows/orvane-planted.dll" "$baseline/" || exit 1
mv "$baseline/orvane-planted.dll" "$baseline/uxtheme.dll"
ORVANE_EXTRA_DLLOVERRIDES="uxtheme=n,b" "$repo/scripts/wine-run.sh" \
    'C:\OrvanePlantedBaseline\orvane-ui-tests.exe' --gtest_list_tests >/dev/null 2>&1
wine_loads_uxtheme=0
[ -n "$(find "$baseline" -iname uxtheme.dll.loaded)" ] && wine_loads_uxtheme=1
rm -rf "$baseline"

ORVANE_EXTRA_DLLOVERRIDES="$overrides=n,b" ORVANE_WINE_TIMEOUT=90 \
    "$repo/scripts/wine-run.sh" 'C:\OrvanePlanted\Orvane.exe' >/dev/null 2>&1 &
runner=$!
window=
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.2
done
sleep 2 # the window paints its pages, which uses the theme library
pkill -f 'OrvanePlanted.Orvane.exe' 2>/dev/null
wait "$runner" 2>/dev/null

failures=0
if [ -n "$window" ]; then
    echo "ok: the window appeared"
else
    echo "FAIL: the window did not appear"
    failures=$((failures + 1))
fi
for name in "${names[@]}"; do
    if [ "$name" = uxtheme ] && [ "$wine_loads_uxtheme" = 1 ]; then
        echo "note: Wine's common controls load uxtheme.dll from the folder of any program at its" \
            "start, so it says nothing about this one"
    elif [ -n "$(find "$folder" -iname "$name.dll.loaded")" ]; then
        echo "FAIL: $name.dll was loaded from the program's folder"
        failures=$((failures + 1))
    else
        echo "ok: $name.dll beside the program was not loaded"
    fi
done
rm -rf "$folder"
[ "$failures" -eq 0 ]
