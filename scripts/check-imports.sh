#!/bin/bash
# Checks that a Windows executable is 32-bit and imports only DLLs that Windows 7 to 11 never take
# from the program's folder: the KnownDLLs every one of them has. Any other DLL, the common controls
# too (which load the theme library by name as they start), must be loaded by the program itself
# after it has restricted the DLL search. Names the offending DLLs.
set -euo pipefail
exe=${1:?usage: check-imports.sh EXE}
objdump=i686-w64-mingw32-objdump
format=$($objdump -f "$exe" | sed -n 's/.*file format //p')
[ "$format" = pei-i386 ] || { echo "$exe: not a 32-bit Windows program ($format)" >&2; exit 1; }
safe='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|msvcrt|advapi32|comdlg32|shlwapi|imm32)\.dll$'
bad=$($objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | grep -Ev "$safe" | tr '\n' ' ' || true)
if [ -n "$bad" ]; then
    echo "$exe imports DLLs that Windows may take from the program's folder: $bad" >&2
    exit 1
fi
echo "$(basename "$exe"): 32-bit, imports only KnownDLLs"
