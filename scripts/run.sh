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

if [ ! -f "$build/app/Orvane.exe" ]; then
    # Until the window exists, the catalogue tool shows what Orvane finds in the sandbox.
    echo "The sandbox Start menu as Orvane sees it (index, origin, category, name, path):"
    exec "$here/wine-run.sh" "$build/app/orvane-catalogue.exe"
fi
