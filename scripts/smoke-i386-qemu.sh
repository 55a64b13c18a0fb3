#!/bin/bash
# A smoke test of the 32-bit product on a machine whose kernel cannot run 32-bit programs: the
# 32-bit Wine runs under qemu-user. In a private user and mount namespace (the machine's own
# binfmt_misc is never touched; Linux 6.7 or later), qemu-i386 is registered for 32-bit x86
# programs, a 32-bit prefix is made, and the i686 orvane-sandbox.exe fills its Start menu,
# orvane-catalogue.exe scans it, backs it up and distributes an entry, and Orvane.exe shows its
# window. A round that fails is tried once more in a new Wine session: under qemu, Wine's device
# host now and then deadlocks. Prints each step with its time, then PASS or FAIL.
# Usage: scripts/smoke-i386-qemu.sh I686-BUILD
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: smoke-i386-qemu.sh I686-BUILD}" && pwd)
. "$here/wine-env.sh"

if [ -z "${ORVANE_QEMU_NAMESPACE:-}" ]; then
    if ! command -v qemu-i386-static >/dev/null; then
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            qemu-user-static >/dev/null 2>&1 || { echo "FAIL: cannot install qemu-user-static"; exit 1; }
    fi
    export ORVANE_QEMU_NAMESPACE=1
    exec unshare -Urm --fork "$0" "$build"
fi

qemu=$(command -v qemu-i386-static)
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    { echo "FAIL: no binfmt_misc of this namespace's own (Linux 6.7 or later is needed)"; exit 1; }
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register ||
    { echo "FAIL: cannot register qemu-i386"; exit 1; }
# Wine reserves most of the 32-bit address space at start; with a reserved guest space of 2 GiB
# qemu answers those calls in a second and a half instead of forty.
export QEMU_RESERVED_VA=0x7fff0000

export WINEPREFIX=$orvane_root/build/qemu-smoke-prefix WINEARCH=win32
unset WINELOADER
# The 32-bit Wine, run as every Wine run of the project is, each command for at most two minutes.
ORVANE_WINE=/usr/bin/wine
wine() { orvane_wine 120 "$@"; }
# One native 64-bit wineserver for the whole run, so that the session's services start once.
server=/usr/lib/wine/wineserver64
. "$here/xvfb.sh"
orvane_start_xvfb 1280x1024x24 || exit 1
keeper=
stop_wine() {
    timeout 60 "$server" -k >/dev/null 2>&1
    [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
    keeper=
}
trap 'stop_wine; kill "$orvane_xvfb_pid" 2>/dev/null' EXIT

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }
# A new session, with a window that keeps Wine's desktop process alive: under qemu that process
# sometimes crashes as it starts or ends, and a program starting then gets no window.
start_session() {
    "$server" -p
    orvane_wine 0 notepad.exe >/dev/null 2>&1 &
    keeper=$!
    local _
    for _ in $(seq 300); do
        xdotool search --onlyvisible --class notepad.exe >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "  the session's desktop did not start"
    return 1
}

started=$(now)
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
"$server" -p
wine wineboot --init >/dev/null 2>&1
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "FAIL: wineboot made no prefix"; exit 1; }
for setting in 'HKCU\Software\Wine\WineDbg|ShowCrashDialog|REG_DWORD|0' \
    'HKCU\Software\Wine\X11 Driver|Managed|REG_SZ|N'; do
    IFS='|' read -r key name type value <<<"$setting"
    wine reg add "$key" /v "$name" /t "$type" /d "$value" /f >/dev/null 2>&1
done
# Saving a shortcut starts winemenubuilder.exe, half a second each under qemu; without it, nothing.
rm -f "$WINEPREFIX/drive_c/windows/system32/winemenubuilder.exe"
echo "STEP the 32-bit prefix, made under qemu: $(since "$started")"

# One round; its output goes to `out`. Fails at the first step that does not do its job.
round() {
    local step bk=$WINEPREFIX/drive_c/bk
    step=$(now)
    wine "$build/tests/tools/orvane-sandbox.exe" --clean >/dev/null 2>&1 ||
        { echo "  the sandbox was not made"; return 1; }
    echo "STEP orvane-sandbox.exe --clean: $(since "$step")"
    step=$(now)
    local entries
    entries=$(wine "$build/app/orvane-catalogue.exe" 2>/dev/null | grep -c $'\t')
    [ "$entries" -gt 0 ] || { echo "  the catalogue is empty"; return 1; }
    echo "STEP orvane-catalogue.exe: $entries entries, $(since "$step")"
    step=$(now)
    rm -rf "$bk" && mkdir -p "$bk"
    local out
    out=$(wine "$build/app/orvane-catalogue.exe" --assign 0=1 \
        --backup 'C:\bk\' --distribute 2>/dev/null)
    grep -q 'Резервная копия создана!' <<<"$out" &&
        grep -q 'Программы успешно распределены по категориям!' <<<"$out" ||
        { echo "  the backup or the distribution did not report success"; return 1; }
    echo "STEP backup and distribution: $(since "$step")"
    step=$(now)
    wine "$build/app/Orvane.exe" >/dev/null 2>&1 &
    local orvane=$! window=
    while kill -0 "$orvane" 2>/dev/null && [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -n 1)
        sleep 0.3
    done
    [ -n "$window" ] || { echo "  the Orvane window did not appear"; return 1; }
    echo "STEP Orvane.exe shows its window: $(since "$step")"
    # Closed as a person closes it (a process of another can not be found under qemu).
    xdotool windowfocus --sync "$window" key alt+F4 2>/dev/null
    wait "$orvane"
}

for attempt in 1 2; do
    start_session && round && { echo "PASS in $(since "$started")"; exit 0; }
    stop_wine
    [ "$attempt" = 1 ] && echo "  trying again in a new Wine session"
done
echo "FAIL after $(since "$started")"
exit 1
