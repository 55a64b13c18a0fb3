#!/bin/bash
# Installs what is missing, builds everything, and runs every test: the model natively under the
# sanitizers, and the Windows tests under Wine (with Xvfb when there is no display).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup-debian.sh" || exit 1
. "$here/wine-env.sh"
set -e
native=$("$here/build.sh" native | tail -n 1)
# Both Windows builds, every target of each: the 32-bit product and the 64-bit build of the same
# sources must both compile cleanly, whichever of them Wine can run here.
product=$("$here/build.sh" i686 | tail -n 1)
"$here/build.sh" x86_64 >/dev/null
for exe in "$product"/app/*.exe; do "$here/check-imports.sh" "$exe"; done
windows=$ORVANE_RUN_BUILD
if [ "$ORVANE_TARGET" = i686 ]; then
    echo "The Windows tests run on the 32-bit product build (32-bit Wine): $windows" >&2
else
    echo "The Windows tests run on the x86_64 build ($windows): 32-bit programs do not run" \
        "natively here (or ORVANE_WINE_ARCH=win64 asked for it)." >&2
fi
orvane_prefix_ready || "$here/wine-prefix.sh"
# The tests get a display of their own, whatever display the caller has.
. "$here/xvfb.sh"
unset DISPLAY
orvane_ensure_display
# A Wine server left from an earlier run would keep that run's display.
timeout 30 wineserver -k 2>/dev/null || true
# Wine starts its desktop process with the first window, and that process would inherit the
# output of whichever test made the window, keeping ctest waiting on it: start it beforehand.
orvane_wine 0 explorer.exe /desktop </dev/null >/dev/null 2>&1 &
set +e

log=$(mktemp)
status=0
( cd "$native" && ctest --output-on-failure -j"$(nproc)" ) 2>&1 | tee "$log" || status=1
( cd "$windows" && ctest --output-on-failure -j"$(nproc)" ) 2>&1 | tee -a "$log" || status=1
# The 32-bit product where 32-bit Wine cannot run natively: a smoke test under qemu-user.
if [ "$ORVANE_TARGET" = i686 ]; then
    echo "32-bit smoke test under qemu: skipped: 32-bit Wine runs natively here, and every Windows" \
        "test ran on the 32-bit product."
elif [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit smoke test under qemu: skipped: the 32-bit Wine (wine32:i386) is not installed" \
        "(scripts/setup-debian.sh could not install it from this machine's package indexes)."
elif ! unshare -Urm sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null; then
    echo "32-bit smoke test under qemu: skipped: this kernel gives a user namespace no" \
        "binfmt_misc of its own (Linux 6.7 or later does)."
else
    echo "32-bit smoke test under qemu:"
    if "$here/smoke-i386-qemu.sh" "$product"; then
        echo "100% tests passed, 0 tests failed out of 1" >>"$log"
    else
        echo "0% tests passed, 1 tests failed out of 1" >>"$log"
        status=1
    fi
fi
passed=0; failed=0
while read -r p f; do
    passed=$((passed + p)); failed=$((failed + f))
done < <(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\2 \1/p' "$log" |
         awk '{print $1 - $2, $2}')
rm -f "$log"
timeout 30 wineserver -k 2>/dev/null
echo
echo "Windows tests ran on the $ORVANE_TARGET build."
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
