#!/bin/bash
# Takes the README's screenshots of the three wizard pages: Orvane runs on a fresh sandbox Start
# menu under Wine on a private Xvfb display, orvane-e2e-driver clicks through the pages, and each
# page is cropped to the window into docs/screenshots/welcome.png, category.png and final.png.
# Nothing in the sandbox is copied or moved.
#
# Usage: scripts/screenshots.sh [--build DIR]
#   --build DIR  a Windows build that holds Orvane.exe, orvane-e2e-driver.exe and
#                orvane-sandbox.exe (default: build the one this machine's Wine runs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

build=
orvane_options screenshots.sh "$@"
if [ "${#orvane_other_args[@]}" -gt 0 ]; then
    echo "screenshots.sh: unknown argument ${orvane_other_args[0]} (try --help)" >&2
    exit 2
fi
[ -n "$build" ] || build=$("$here/build.sh" run | tail -n 1)

e2e_repo=$orvane_root
e2e_build=$(cd "$build" && pwd)
e2e_work=$e2e_build/screenshots
e2e_shots=$e2e_work/pages
e2e_crop=1
e2e_driver_limit=200
# The shared steps check their own results.
set +eu
# shellcheck source=../tests/e2e/e2e_lib.sh
. "$orvane_root/tests/e2e/e2e_lib.sh"
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM

for exe in app/Orvane.exe tests/e2e/orvane-e2e-driver.exe tests/tools/orvane-sandbox.exe; do
    [ -f "$e2e_build/$exe" ] || { echo "screenshots.sh: $e2e_build/$exe is not built" >&2; exit 1; }
done
mkdir -p "$e2e_work"
rm -rf "$e2e_shots"

e2e_start_display || exit 1
e2e_make_sandbox "$e2e_work/sandbox" || exit 1
e2e_start_orvane Orvane 240 || exit 1
e2e_run_driver --mode screenshots --timeout 150
status=$?
e2e_cleanup
if [ "$status" -ne 0 ]; then
    echo "screenshots.sh: the driver failed; see $e2e_work/driver.log" >&2
    exit 1
fi

target=$orvane_root/docs/screenshots
mkdir -p "$target"
for page in welcome category final; do
    [ -s "$e2e_shots/$page.png" ] || { echo "screenshots.sh: no $page.png" >&2; exit 1; }
    cp "$e2e_shots/$page.png" "$target/$page.png" || exit 1
    echo "$target/$page.png ($(identify -format '%wx%h' "$target/$page.png"))"
done
