#!/bin/bash
# One Orvane at a time: a second Orvane.exe started while one runs exits at once, leaving the one
# window of the first.
# Usage: single_instance_test.sh REPO BUILD
set -u
repo=$1
build=$2
. "$repo/scripts/wine-env.sh"
count_windows() { xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | wc -l; }
orvane_wine 120 "$build/app/Orvane.exe" >/dev/null 2>&1 &
first=$!
trap 'kill $first 2>/dev/null; wait $first 2>/dev/null' EXIT
for _ in $(seq 150); do
    [ "$(count_windows)" -ge 1 ] && break
    sleep 0.2
done
[ "$(count_windows)" -eq 1 ] || { echo "FAIL: the first Orvane shows no window"; exit 1; }
start=$(date +%s)
orvane_wine 30 "$build/app/Orvane.exe" >/dev/null 2>&1
status=$?
seconds=$(($(date +%s) - start))
sleep 1
windows=$(count_windows)
echo "second Orvane: exit $status after $seconds s; windows named Orvane: $windows"
if [ "$status" -ne 0 ] || [ "$windows" -ne 1 ] || ! kill -0 $first 2>/dev/null; then
    echo "FAIL: the second Orvane did not leave the first one alone"
    exit 1
fi
echo "ok: the second Orvane exited and the first window is the only one"
