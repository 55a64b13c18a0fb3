#!/bin/bash
# DLLs named like system DLLs outside the KnownDLLs that a program, or the system DLLs it uses, may
# load by name (the theme library, the desktop window manager's, the image blending library, the
# version library and the rest the programs load from System32 first), each leaving a marker file
# when it is loaded, are put beside Orvane.exe, and then beside orvane-catalogue.exe, and Windows' search order is forced for those names
# (native DLLs before Wine's own). The window must appear, and no marker may be written: no DLL
# comes from the program's folder (the loader names the file as the import does, so markers are
# matched in any letter case). Wine itself loads some of them from the folder of any program: a
# careful program that does nothing else (orvane-careful.exe) shows which, run beside the same DLLs
# first, and only those are left out, saying so. The common controls are never planted: on Windows
# the manifest binds them, and under Wine a native-first override of them changes how the DLLs they
# load are searched.
# Usage: planted_dlls_test.sh REPO BUILD
set -u
repo=$1
build=$2
. "$repo/scripts/wine-env.sh"
names=(uxtheme userenv setupapi apphelp propsys dwmapi cryptbase oleacc clbcatq version msimg32)
overrides="$(IFS=,; echo "${names[*]}")=n,b"
careful=$build/tests/windows/orvane-careful.exe

# Wine's own processes start first, from another folder and without the overrides, so that none of
# them inherits either: its server, kept running, and the desktop. A window from here waits for
# the desktop (or starts it from here, if it is not up yet).
(
    cd "$WINEPREFIX/drive_c" || exit 1
    wineserver -p 2>/dev/null # one already running is kept as it is
    orvane_wine 0 explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    orvane_wine 120 "$careful" </dev/null >/dev/null 2>&1
)

# A new FOLDER holding PROGRAM and the planted DLLs.
plant() {
    rm -rf "$1" && mkdir -p "$1" && cp "$2" "$1/" || exit 1
    for name in "${names[@]}"; do
        cp "$build/tests/windows/orvane-planted.dll" "$1/$name.dll" || exit 1
    done
}
loaded() { [ -n "$(find "$1" -iname "$2.dll.loaded")" ]; }

# What Wine loads from a program's folder: the careful program beside the same DLLs.
baseline=$WINEPREFIX/drive_c/OrvaneCareful
plant "$baseline" "$careful"
ORVANE_EXTRA_DLLOVERRIDES=$overrides ORVANE_WINE_TIMEOUT=120 \
    "$repo/scripts/wine-run.sh" 'C:\OrvaneCareful\orvane-careful.exe' >/dev/null 2>&1
wines=
for name in "${names[@]}"; do
    loaded "$baseline" "$name" && wines+="${wines:+ }$name"
done
rm -rf "$baseline"
echo "Wine itself loads from the folder of a careful program: ${wines:-nothing}"

folder=$WINEPREFIX/drive_c/OrvanePlanted
# Another Orvane would hold the single-instance mark, and this one would only bring its window up.
for _ in $(seq 300); do
    [ -z "$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null)" ] && break
    sleep 0.2
done
if [ -n "$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null)" ]; then
    echo "FAIL: an Orvane window that is not this test's stays open"
    exit 1
fi
plant "$folder" "$build/app/Orvane.exe"
ORVANE_EXTRA_DLLOVERRIDES=$overrides ORVANE_WINE_TIMEOUT=260 \
    "$repo/scripts/wine-run.sh" 'C:\OrvanePlanted\Orvane.exe' >/dev/null 2>&1 &
runner=$!
# The window shown and painted, which uses the theme library: what the program loads to start and
# show itself has been loaded by then. The driver runs without the overrides.
ORVANE_WINE_TIMEOUT=200 "$repo/scripts/wine-run.sh" "$build/tests/e2e/orvane-e2e-driver.exe" \
    --mode painted >"$build/planted-dlls-driver.log" 2>&1
painted=$?
# Ends the runner's time limit, which ends the program with it.
pkill -P "$runner" 2>/dev/null
wait "$runner" 2>/dev/null

failures=0
if [ "$painted" -eq 0 ]; then
    echo "ok: the window appeared and painted itself"
else
    echo "FAIL: the window did not appear and paint itself:"
    tr -d '\r' <"$build/planted-dlls-driver.log"
    failures=$((failures + 1))
fi
# No marker of a DLL beside the program in FOLDER, but those Wine loads for any program.
check_markers() {
    local name
    for name in "${names[@]}"; do
        if ! loaded "$1" "$name"; then
            echo "ok: $name.dll beside $2 was not loaded"
        elif [[ " $wines " == *" $name "* ]]; then
            echo "note: $name.dll beside $2 was loaded, as Wine loads it for the careful" \
                "program too, so it says nothing about this one"
        else
            echo "FAIL: $name.dll was loaded from the folder of $2"
            failures=$((failures + 1))
        fi
    done
}
check_markers "$folder" Orvane.exe
rm -rf "$folder"

# The catalogue tool, which runs the all-users step when it has administrator rights (under Wine it
# always has): the scan, the details and suggestions, and an undo with nothing to undo.
plant "$folder" "$build/app/orvane-catalogue.exe"
ORVANE_EXTRA_DLLOVERRIDES=$overrides ORVANE_WINE_TIMEOUT=200 \
    "$repo/scripts/wine-run.sh" 'C:\OrvanePlanted\orvane-catalogue.exe' --suggest --undo \
    >"$build/planted-dlls-catalogue.log" 2>&1
if grep -qE 'отменить|возвращены|Возвращено' "$build/planted-dlls-catalogue.log"; then
    echo "ok: the catalogue tool ran to its undo's report"
else
    echo "FAIL: the catalogue tool did not run to its end:"
    tr -d '\r' <"$build/planted-dlls-catalogue.log"
    failures=$((failures + 1))
fi
check_markers "$folder" orvane-catalogue.exe
rm -rf "$folder"
[ "$failures" -eq 0 ]
