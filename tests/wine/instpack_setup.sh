#!/usr/bin/env bash
# instpack's own Windows installer under wine64, as a publisher on Windows meets it: /S installs
# instpack into a folder and lists it in Installed apps; the installed instpack.exe, finding its
# programs beside it, packages the sample into the same installer the Linux instpack made; the
# entry's QuietUninstallString removes it all again, the entry with it.
#   instpack_setup.sh STATE_DIR SETUP_EXE VERSION WIN32_DESCRIPTION WIN32_INSTALLER
set -euo pipefail
state=$1 setup=$(realpath "$2") version=$3 description=$(realpath "$4") expected=$(realpath "$5")
# shellcheck source=tests/wine/session_env.sh
. "$(dirname "$0")/session_env.sh"
fail() { echo "FAIL: $*"; exit 1; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\instpack'
folder=$WINEPREFIX/drive_c/instpack-setup-test
# What an earlier, failed run may have left.
"$WINE64" reg delete "$key" /f /reg:64 >/dev/null 2>&1 || true
rm -rf "$folder" "$WINEPREFIX/drive_c/windows/instpack.ini"

# The programs' output goes to a file: a process they start (Wine's desktop, when they are the first
# to need one) keeps what they were given open for the rest of the session, and the test's own
# output would then never end.
status=0
"$WINE64" "$(windows "$setup")" /S '/D=C:\instpack-setup-test' </dev/null >>"$work/wine.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "instpack-$version-setup.exe /S ended with status $status"
for file in instpack.exe installer-win32.exe installer-win64.exe uninstaller-win32.exe uninstaller-win64.exe \
            README.md license-zlib.txt uninst.exe; do
  [ -f "$folder/$file" ] || fail "no $file in C:\\instpack-setup-test"
done
echo "ok   setup.exe /S installed instpack into C:\\instpack-setup-test"

entry=$("$WINE64" reg query "$key" /reg:64 | tr -d '\r') || fail "no entry $key in the 64-bit view"
value() { sed -n "s/^    $1    REG_[A-Z_]*    //p" <<<"$entry"; }
[ "$(value DisplayName)" = instpack ] || fail "DisplayName is '$(value DisplayName)'"
[ "$(value DisplayVersion)" = "$version" ] || fail "DisplayVersion is '$(value DisplayVersion)'"
quiet=$(value QuietUninstallString)
[ "$quiet" = '"C:\instpack-setup-test\uninst.exe" /S' ] || fail "QuietUninstallString is '$quiet'"
echo "ok   listed in Installed apps: instpack $version, removed by $quiet"

# The sample's description names its sources by Linux paths, which Windows reads on drive Z:.
cd "$work"
"$WINE64" 'C:\instpack-setup-test\instpack.exe' "$(windows "$description")" -o "$(windows "$work/win32.exe")" \
  </dev/null >"$work/out.log" 2>&1 || fail "the installed instpack.exe: $(cat "$work/out.log")"
cmp "$work/win32.exe" "$expected" || fail "the installed instpack.exe wrote another installer than instpack"
echo "ok   the installed instpack.exe packaged the sample, identical to the Linux instpack's"

# As a package manager removes it: the command the entry holds, from another working directory.
uninstaller=${quiet#\"} uninstaller=${uninstaller%%\"*}
status=0
"$WINE64" "$uninstaller" /S </dev/null >>"$work/wine.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "$quiet ended with status $status"
if "$WINE64" reg query "$key" /reg:64 >/dev/null 2>&1; then fail "the entry is still there"; fi
[ ! -e "$folder" ] || fail "left in C:\\instpack-setup-test: $(ls "$folder")"
echo "ok   removed by its QuietUninstallString: files, folder and entry gone"
echo PASS
