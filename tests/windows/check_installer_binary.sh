#!/usr/bin/env bash
# Checks a built Windows installer: its PE format (PE32 for win32, PE32+ for win64) and that it
# imports nothing but what Windows ships (KERNEL32, USER32 and the C runtime msvcrt).
# Usage: check_installer_binary.sh <installer.exe> <pei-i386|pei-x86-64>
set -euo pipefail
exe=$1 expected_format=$2
[ -f "$exe" ] || { echo "FAIL: $exe was not built (build the win32 and win64 presets first)"; exit 1; }

format=$(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')
[ "$format" = "$expected_format" ] || { echo "FAIL: $exe is $format, expected $expected_format"; exit 1; }

mapfile -t dlls < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
[ ${#dlls[@]} -gt 0 ] || { echo "FAIL: no import table found in $exe"; exit 1; }
status=0
for dll in "${dlls[@]}"; do
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|MSVCRT.DLL) ;;
    *) echo "FAIL: $exe imports $dll"; status=1 ;;
  esac
done
echo "$exe: $format, imports ${dlls[*]}"
exit $status
