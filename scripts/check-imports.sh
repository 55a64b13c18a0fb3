#!/bin/bash
# Checks that a Windows executable is 32-bit and needs no DLLs beyond Windows' own.
set -euo pipefail
exe=${1:?usage: check-imports.sh EXE}
objdump=i686-w64-mingw32-objdump
format=$($objdump -f "$exe" | sed -n 's/.*file format //p')
[ "$format" = pei-i386 ] || { echo "$exe: not a 32-bit Windows program ($format)" >&2; exit 1; }
system='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|comdlg32|advapi32|uxtheme|msimg32|shlwapi|msvcrt|ws2_32|uuid|version|dwmapi|imm32)\.dll$'
bad=$($objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | grep -Ev "$system" || true)
[ -z "$bad" ] || { echo "$exe needs DLLs that Windows does not have: $bad" >&2; exit 1; }
echo "$(basename "$exe"): 32-bit, Windows DLLs only"
