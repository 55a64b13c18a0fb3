#!/bin/bash
# Runs a Windows program under Wine in Orvane's project-local prefix, never the user's own, and
# never for longer than ORVANE_WINE_TIMEOUT seconds (a hung modal dialog must fail, not block).
. "$(dirname "$0")/wine-env.sh"
orvane_prefix_ready || "$orvane_root/scripts/wine-prefix.sh" >&2 || exit 1
orvane_wine "${ORVANE_WINE_TIMEOUT:-120}" "$@"
status=$?
# Say how a program ended that did not end normally, so that a failure never goes silent.
case $status in
0 | 1 | 2) ;;
124 | 137) echo "wine-run.sh: $1 was stopped after ${ORVANE_WINE_TIMEOUT:-120} s" >&2 ;;
*) echo "wine-run.sh: $1 ended with status $status" >&2 ;;
esac
exit $status
