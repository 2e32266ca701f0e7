#!/usr/bin/env bash
# instpack.exe from the Windows release archive, unpacked, under wine64: with the programs of the
# archive's share\instpack\ beside it, it packages the sample into both Windows installers, and
# they must be the installers the build made with the Linux instpack.
#   instpack_exe.sh STATE_DIR ARCHIVE WIN32_DESCRIPTION WIN32_INSTALLER WIN64_DESCRIPTION WIN64_INSTALLER
set -euo pipefail
state=$1
archive=$(realpath "$2") win32_description=$(realpath "$3") win32_installer=$(realpath "$4")
win64_description=$(realpath "$5") win64_installer=$(realpath "$6")
# shellcheck source=tests/wine/session_env.sh
. "$(dirname "$0")/session_env.sh"
unzip -q "$archive" -d "$work/unpacked"
instpack=$(echo "$work"/unpacked/instpack-*/bin/instpack.exe)
[ -f "$instpack" ] || { echo "FAIL: the archive holds no bin\\instpack.exe"; exit 1; }
# The descriptions name their sources by Linux paths, which Windows reads on the current drive:
# the tool runs from a folder of drive Z:, the Linux root.
cd "$work"
for target in win32 win64; do
  description=${target}_description expected=${target}_installer
  "$WINE64" "$(windows "$instpack")" "$(windows "${!description}")" -o "$(windows "$work/$target.exe")" \
    --target $target >"$work/out.log" 2>&1 || { echo "FAIL: instpack.exe --target $target: $(cat "$work/out.log")"; exit 1; }
  cmp "$work/$target.exe" "${!expected}" || { echo "FAIL: instpack.exe wrote another $target installer than instpack"; exit 1; }
  echo "ok   instpack.exe --target $target under wine64 wrote $(stat -c %s "$work/$target.exe") bytes, identical to the Linux instpack's"
done
echo PASS
