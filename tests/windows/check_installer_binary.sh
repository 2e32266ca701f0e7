#!/usr/bin/env bash
# Checks a built Windows installer: its PE format (PE32 for win32, PE32+ for win64), that it
# imports nothing but what Windows ships (KERNEL32 and the C runtime msvcrt), and that USER32 is
# not among those imports: it is loaded at run time from the system folder, and every USER32
# function the installer calls must be in driver/user32_delayed.def for that.
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
    KERNEL32.DLL|MSVCRT.DLL) ;;
    USER32.DLL)
      missing=$(x86_64-w64-mingw32-objdump -p "$exe" |
                awk '/DLL Name:/ { user32 = toupper($3) == "USER32.DLL"; next } user32 && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }')
      echo "FAIL: $exe imports USER32 at load time; add to driver/user32_delayed.def:" $missing
      status=1 ;;
    *) echo "FAIL: $exe imports $dll"; status=1 ;;
  esac
done
echo "$exe: $format, imports ${dlls[*]}"
exit $status
