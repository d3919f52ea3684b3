#!/usr/bin/env bash
# Fails when a Windows binary imports a DLL that is not part of every Windows
# installation (a MinGW runtime DLL left dynamic, say).
#   check_imports.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift
allowed=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll shlwapi.dll
 advapi32.dll ole32.dll oleaut32.dll version.dll msvcrt.dll ntdll.dll uxtheme.dll ws2_32.dll
 msimg32.dll gdiplus.dll imm32.dll winmm.dll rpcrt4.dll "
status=0
for file in "$@"; do
  imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$imports" ] || { echo "$file: no import table found" >&2; status=1; continue; }
  for dll in $imports; do
    if [[ "$allowed" != *" $dll "* && "$allowed" != *$'\n'" $dll "* ]]; then
      echo "$file imports $dll, which not every Windows has" >&2
      status=1
    fi
  done
  echo "$file: $(echo $imports)"
done
exit $status
