#!/bin/bash
# Creates Orvane's Wine prefix (ORVANE_WINEPREFIX): no install dialogs, no crash dialog (a crash
# must fail a test, not hang it), and the DPI of ORVANE_DPI (96 unless set).
set -e
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$WINEPREFIX"
# wineboot needs no display.
DISPLAY= timeout 300 "$ORVANE_WINE" wineboot --init >/dev/null 2>&1
timeout 120 wineserver -w
reg() { timeout 60 "$ORVANE_WINE" reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${ORVANE_DPI:-96}"
# Without a window manager (Xvfb), Wine waits for one each time a managed window is destroyed.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
timeout 120 wineserver -w
echo "Wine prefix ready: $WINEPREFIX ($WINEARCH)" >&2
