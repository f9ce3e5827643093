#!/usr/bin/env bash
# Checks a built Windows program statically: its machine type, and that it needs no DLL
# beyond those every Windows has (no mingw runtime DLLs).
set -euo pipefail
file=$1 machine=$2
case "$machine" in
  i386) objdump=i686-w64-mingw32-objdump; format=pei-i386 ;;
  x86-64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  *) echo "check-pe: unknown machine $machine" >&2; exit 2 ;;
esac
header=$("$objdump" -f "$file")
grep -q "file format $format" <<<"$header" || { echo "check-pe: $file is not $format" >&2; exit 1; }
dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comctl32.dll|comdlg32.dll|msvcrt.dll|ws2_32.dll|shlwapi.dll|api-ms-win-*) ;;
    *) echo "check-pe: $file needs $dll" >&2; exit 1 ;;
  esac
done
echo "check-pe: $file: $format, imports: $(echo $dlls | tr '\n' ' ')"
