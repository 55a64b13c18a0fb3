#!/bin/bash
# Runs a Windows program under Wine in Orvane's project-local prefix, never the user's own, and
# never for longer than ORVANE_WINE_TIMEOUT seconds (a hung modal dialog must fail, not block).
. "$(dirname "$0")/wine-env.sh"
if ! orvane_prefix_ready; then
    # Tests run side by side: the first to find the prefix missing sets it up, the others wait for
    # it (the set-up does not hold the lock in the Wine processes it leaves).
    exec 9>"$WINEPREFIX.setup-lock"
    flock -w 900 9 || { echo "wine-run.sh: the set-up of $WINEPREFIX did not end" >&2; exit 1; }
    orvane_prefix_ready || "$orvane_root/scripts/wine-prefix.sh" 9>&- >&2 || exit 1
    exec 9>&-
fi
orvane_wine "${ORVANE_WINE_TIMEOUT:-120}" "$@"
status=$?
# Say how a program ended that did not end normally, so that a failure never goes silent.
case $status in
0 | 1 | 2) ;;
124 | 137) echo "wine-run.sh: $1 was stopped after ${ORVANE_WINE_TIMEOUT:-120} s" >&2 ;;
*) echo "wine-run.sh: $1 ended with status $status" >&2 ;;
esac
exit $status
