#!/bin/bash
# Sets up Orvane's Wine prefix (ORVANE_WINEPREFIX) like a Russian Windows: Wine's own TrueType
# fonts (Tahoma, Marlett, ...) in C:\windows\Fonts, a CJK font linked to Tahoma so that names
# outside Cyrillic are drawn, and the shortcut type named "Ярлык"; and for tests: no install
# dialogs, no crash dialog (a crash must fail a test, not hang it), and the DPI of ORVANE_DPI (96
# unless set). Setting up an existing prefix again is harmless.
set -e
. "$(dirname "$0")/wine-env.sh"
wine_fonts=/usr/share/wine/fonts
cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
for font in "$wine_fonts/tahoma.ttf" "$wine_fonts/tahomabd.ttf" "$wine_fonts/marlett.ttf" "$cjk_font"; do
    [ -f "$font" ] || { echo "wine-prefix.sh: $font is missing; run scripts/setup-debian.sh" >&2; exit 1; }
done
locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\{0,1\}8' ||
    { echo "wine-prefix.sh: the $ORVANE_WINE_LOCALE locale is missing; run scripts/setup-debian.sh" >&2; exit 1; }

mkdir -p "$WINEPREFIX"
rm -f "$WINEPREFIX/.orvane-prefix"
# wineboot needs no display.
DISPLAY= orvane_wine 300 wineboot --init >/dev/null 2>&1
timeout 120 wineserver -w
# Debian's 64-bit Wine does not load the fonts Wine ships; Windows programs find them here.
cp -f "$wine_fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

reg() { orvane_wine 60 reg add "$@" /f >/dev/null 2>&1; }
# Tahoma's default font links (which Wine rewrites whenever the code page changes) name
# "MS UI Gothic" first: the CJK font stands in for it.
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d 'WenQuanYi Micro Hei'
reg 'HKCR\lnkfile' /ve /t REG_SZ /d 'Ярлык'
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${ORVANE_DPI:-96}"
# Without a window manager (Xvfb), Wine waits for one each time a managed window is destroyed.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
timeout 120 wineserver -w
echo "$ORVANE_PREFIX_MARK" >"$WINEPREFIX/.orvane-prefix"
echo "Wine prefix ready: $WINEPREFIX ($WINEARCH)" >&2
