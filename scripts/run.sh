#!/bin/bash
# Installs what is missing, builds Orvane, fills a sandbox Start menu in a project-local Wine
# prefix, and starts Orvane on it. `--fresh` rebuilds the sandbox from scratch first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-debian.sh"
. "$here/wine-env.sh"
build=$("$here/build.sh" run | tail -n 1)
sandbox_args=()
[ "${1:-}" = --fresh ] && sandbox_args+=(--fresh)
"$here/sandbox.sh" --build "$build" "${sandbox_args[@]}"
export ORVANE_WINEPREFIX=${ORVANE_SANDBOX_PREFIX:-$orvane_root/build/sandbox-$ORVANE_WINE_ARCH}
export WINEPREFIX=$ORVANE_WINEPREFIX

orvane=$build/app/Orvane.exe
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    ORVANE_WINE_TIMEOUT=0 exec "$here/wine-run.sh" "$orvane"
fi

# No display: show the window on a virtual screen, take a screenshot of it and close it again.
. "$here/xvfb.sh"
orvane_ensure_display
shot=$orvane_root/build/screenshots/orvane.png
mkdir -p "$(dirname "$shot")"
ORVANE_WINE_TIMEOUT=60 "$here/wine-run.sh" "$orvane" &
pid=$!
window=""
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "run.sh: the Orvane window did not appear" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
# End this prefix's Wine processes, Orvane among them.
timeout 30 wineserver -k 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "There is no display here, so Orvane ran on a virtual screen: its window is in $shot"
