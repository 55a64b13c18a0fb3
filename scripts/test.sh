#!/bin/bash
# Installs what is missing, builds everything, and runs every test: the model natively under the
# sanitizers, and the Windows tests under Wine (with Xvfb when there is no display).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-debian.sh" || exit 1
. "$here/wine-env.sh"
set -e
native=$("$here/build.sh" native | tail -n 1)
product=$("$here/build.sh" i686 | tail -n 1)
for exe in "$product"/app/*.exe; do "$here/check-imports.sh" "$exe"; done
[ "$ORVANE_TARGET" = i686 ] || echo "This machine's Wine runs only 64-bit programs: the Windows tests run on the x86_64 build." >&2
windows=$("$here/build.sh" run | tail -n 1)
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh"
. "$here/xvfb.sh"
# Wine starts its desktop process with the first window, and that process would inherit the
# output of whichever test made the window, keeping ctest waiting on it: start it beforehand.
ORVANE_WINE_TIMEOUT=0 "$ORVANE_WINE" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
set +e

log=$(mktemp)
status=0
( cd "$native" && ctest --output-on-failure -j"$(nproc)" ) 2>&1 | tee "$log" || status=1
( cd "$windows" && ctest --output-on-failure -j"$(nproc)" ) 2>&1 | tee -a "$log" || status=1
passed=0; failed=0
while read -r p f; do
    passed=$((passed + p)); failed=$((failed + f))
done < <(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\2 \1/p' "$log" |
         awk '{print $1 - $2, $2}')
rm -f "$log"
timeout 30 wineserver -k 2>/dev/null
echo
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
