#!/usr/bin/env bash
# instpack.exe, the packaging tool for publishers on Windows, under wine64 makes the same bytes as
# the Linux instpack: it packages the win32 sample, and the result must be the installer the
# build made with the Linux tool.
#   instpack_exe.sh STATE_DIR INSTPACK_EXE DESCRIPTION PROGRAM LINUX_INSTALLER
set -euo pipefail
state=$1
instpack=$(realpath "$2") description=$(realpath "$3") program=$(realpath "$4") expected=$(realpath "$5")
[ -f "$state/session.env" ] || { echo "FAIL: no Wine session ($state/session.env)"; exit 1; }
set -a
# shellcheck disable=SC1091
. "$state/session.env"
set +a
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }
# The description names its sources by Linux paths, which Windows reads on the current drive:
# the tool runs from a folder of drive Z:, the Linux root.
cd "$work"
"$WINE64" "$(windows "$instpack")" "$(windows "$description")" -o "$(windows "$work/setup.exe")" \
  --stub "$(windows "$program")" >"$work/out.log" 2>&1 || { echo "FAIL: instpack.exe: $(cat "$work/out.log")"; exit 1; }
cmp "$work/setup.exe" "$expected" || { echo "FAIL: instpack.exe wrote other bytes than instpack"; exit 1; }
echo "PASS: instpack.exe under wine64 wrote $(stat -c %s "$work/setup.exe") bytes, identical to the Linux instpack's"
