#!/usr/bin/env bash
# The console edition of the sample installer, driven through standard input like a user at a
# terminal: a first installation through the directory prompt, a second run that remembers the
# directory, a cancelled run that writes nothing, a run started from a downloads folder where
# the user types a bare name, and the Installed-apps entry beside another program's key.
# Usage: install_sample.sh <console installer> <folder with the built tov32.exe and uninst.exe> <sample source folder>
set -euo pipefail
installer=$1 built=$2 sources=$3
sandbox=$(mktemp -d /tmp/console-install-XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox"/{drives/C/users/ann,home,config,work}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the installer with the answers given as lines on standard input, from folder $2 (default
# $sandbox/work, outside the drives); its output goes to $sandbox/out.
run() {
  printf '%s' "$1" | (cd "${2:-$sandbox/work}" && env -i PATH="$PATH" HOME="$sandbox/home" \
    XDG_CONFIG_HOME="$sandbox/config" INSTALLER_DRIVES="$sandbox/drives" HOMEDRIVE=C: \
    HOMEPATH='\users\ann' "$installer") > "$sandbox/out" 2>&1 || fail "installer exit status $?"
}
expect_text() { grep -qF -- "$1" "$sandbox/out" || fail "output lacks: $1"; }
lacks_text() { ! grep -qF -- "$1" "$sandbox/out" || fail "output unexpectedly has: $1"; }

target="$sandbox/drives/C/users/ann/Tovalin"

# 1. First installation: the prompt proposes the home default and Enter accepts it; then "n"
#    answers every notice (an OK box takes any line) and declines starting the program.
run $'\nn\nn\nn\nn\n'
expect_text "[Choose a Data Directory]"
expect_text 'C:\users\ann\Tovalin'
expect_text "Tovalin has been successfully installed on your system.Would you like to start Tovalin now?"
lacks_text "Tovalin is running."
for file in tov32.exe uninst.exe; do cmp -s "$built/$file" "$target/$file" || fail "$file differs from the built one"; done
for file in help.htm tovalin.jpg; do cmp -s "$sources/$file" "$target/$file" || fail "$file differs from its source"; done
grep -qxF 'dataDir=C:\users\ann\Tovalin' "$sandbox/config/tovalin2.ini" || fail "profile lacks the directory"

# 2. A second run goes straight to the remembered directory, and Yes starts the program.
rm "$target/help.htm"
run $'y\ny\ny\ny\n'
lacks_text "[Choose a Data Directory]"
expect_text "[Installation Successful]"
cmp -s "$sources/help.htm" "$target/help.htm" || fail "help.htm was not installed again"
sleep 0.5
expect_text "Tovalin is running."

# 3. End of input at the directory prompt is Cancel: two messages, nothing written.
rm -rf "$target" "$sandbox/config/tovalin2.ini"
run ''
expect_text "[Shutting Down]"
expect_text "[Application Not Installed]"
[ ! -e "$target" ] || fail "the cancelled run created $target"
[ ! -e "$sandbox/config/tovalin2.ini" ] || fail "the cancelled run wrote the profile"

# 4. Started from C:\downloads, the user types Tovalin: the installation goes to
#    C:\downloads\Tovalin, which is also what is stored and started.
mkdir -p "$sandbox/drives/C/downloads"
run $'Tovalin\nn\ny\n' "$sandbox/drives/C/downloads"
target="$sandbox/drives/C/downloads/Tovalin"
cmp -s "$built/tov32.exe" "$target/tov32.exe" || fail "tov32.exe was not installed into C:\downloads\Tovalin"
grep -qxF 'dataDir=C:\downloads\Tovalin' "$sandbox/config/tovalin2.ini" || fail "profile lacks the full path"
sleep 0.5
expect_text "Tovalin is running."

# 5. The Installed-apps entry (for all users when run as root): another program's key of the
#    product's name stays through an installation, which says so; one of the shape the installers
#    wrote before they named themselves in it is theirs, and replaced.
apps="$sandbox/config/installed-apps.ini"
root_key=$([ "$(id -u)" = 0 ] && echo HKLM || echo HKCU)
foreign="[$root_key\\Tovalin]"$'\nDisplayName=Tovalin Notes\nUninstallString="C:\\Notes\\remove.exe"'
printf '%s\n' "$foreign" > "$apps"
run $'n\nn\nn\nn\n'
expect_text "[Not Listed in Installed Apps]"
[ "$(cat "$apps")" = "$foreign" ] || fail "the installation changed another program's entry: $(cat "$apps")"
printf '[%s\\Tovalin]\nUninstallString="C:\\Old\\uninst.exe"\nQuietUninstallString="C:\\Old\\uninst.exe" /S\nNoModify=1\nNoRepair=1\n' \
  "$root_key" > "$apps"
run $'n\nn\nn\nn\n'
lacks_text "[Not Listed in Installed Apps]"
grep -qxF 'InstallerProductId=Tovalin' "$apps" || fail "an earlier installation's entry was not replaced: $(cat "$apps")"
grep -qxF 'InstallLocation=C:\downloads\Tovalin' "$apps" || fail "the entry lacks its location: $(cat "$apps")"
! grep -qF 'C:\Old' "$apps" || fail "the earlier entry's values outlived it: $(cat "$apps")"

if [ "$failures" -gt 0 ]; then
  echo "--- last output:"; cat "$sandbox/out"
  exit 1
fi
echo "console edition: 5 runs as expected"
