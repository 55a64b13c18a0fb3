#!/bin/bash
# Runs a Windows program under Wine in Orvane's project-local prefix, never the user's own, and
# never for longer than ORVANE_WINE_TIMEOUT seconds (a hung modal dialog must fail, not block).
. "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || "$orvane_root/scripts/wine-prefix.sh" >&2 || exit 1
exec timeout -k 5 "${ORVANE_WINE_TIMEOUT:-120}" "$ORVANE_WINE" "$@"
