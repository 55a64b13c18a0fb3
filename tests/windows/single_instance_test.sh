#!/bin/bash
# One Orvane at a time: a second Orvane.exe started while one runs exits at once, leaving the one
# window of the first.
# Usage: single_instance_test.sh REPO BUILD
set -u
repo=$1
build=$2
. "$repo/scripts/wine-env.sh"
count_windows() { xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | wc -l; }
# Waits up to SECONDS for COUNT windows named Orvane to be shown; says whether they are.
windows_become() { # COUNT SECONDS
    local _
    for _ in $(seq $(($2 * 5))); do
        [ "$(count_windows)" -eq "$1" ] && return 0
        sleep 0.2
    done
    [ "$(count_windows)" -eq "$1" ]
}
windows_become 0 60 || { echo "FAIL: an Orvane window that is not this test's stays open"; exit 1; }
orvane_wine 300 "$build/app/Orvane.exe" >/dev/null 2>&1 &
first=$!
# Ending the time limit's process ends the first Orvane, and waiting for it lets the mark it holds
# go before the next test starts an Orvane (killing only the background shell would leave both).
trap 'pkill -P $first 2>/dev/null; wait $first 2>/dev/null' EXIT
windows_become 1 120 || { echo "FAIL: the first Orvane shows no window"; exit 1; }
start=$(date +%s)
orvane_wine 120 "$build/app/Orvane.exe" >/dev/null 2>&1
status=$?
seconds=$(($(date +%s) - start))
# A window the second one showed goes with it: the count comes back to one unless it stays.
windows_become 1 30
windows=$(count_windows)
echo "second Orvane: exit $status after $seconds s; windows named Orvane: $windows"
if [ "$status" -ne 0 ] || [ "$windows" -ne 1 ] || ! kill -0 $first 2>/dev/null; then
    echo "FAIL: the second Orvane did not leave the first one alone"
    exit 1
fi
echo "ok: the second Orvane exited and the first window is the only one"
