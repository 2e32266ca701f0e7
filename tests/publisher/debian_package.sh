#!/usr/bin/env bash
# The Debian package as a user installs it: `apt-get install ./instpack_<version>_amd64.deb`
# brings what it declares, /usr/bin/instpack packages the sample into both Windows installers
# (byte for byte the build's) with the programs installed in /usr/share/instpack, and
# `man instpack` opens. The package is removed again at the end. apt-get runs as root, through
# sudo for another user (scripts/test.sh has asked sudo once already, in scripts/setup.sh).
#   debian_package.sh PACKAGE WIN32_DESCRIPTION WIN32_INSTALLER WIN64_DESCRIPTION WIN64_INSTALLER
set -euo pipefail
package=$(realpath "$1") win32_description=$2 win32_installer=$3 win64_description=$4 win64_installer=$5
work=$(mktemp -d)
fail() { echo "FAIL: $*"; exit 1; }
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo -n)
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

# A system whose dpkg leaves out manual pages (container images often do, through a path-exclude
# in /etc/dpkg/dpkg.cfg.d/) would install none, and the test would not show what a user sees.
if grep -rqs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/; then
  fail "this system's dpkg excludes manual pages ($(grep -rls '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/))"
fi
remove() { apt_get purge -y -qq instpack >/dev/null 2>&1 || true; }
trap 'remove; rm -rf "$work"' EXIT
remove

apt_get install -y -qq --no-install-recommends "$package" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install $package"; }
version=$(dpkg-deb -f "$package" Version)
[ "$(/usr/bin/instpack --version)" = "instpack $version" ] || fail "/usr/bin/instpack --version says \"$(/usr/bin/instpack --version)\""
echo "ok   apt-get installs $(basename "$package") with what it declares: $(dpkg-deb -f "$package" Depends)"

cd "$work"
/usr/bin/instpack "$win32_description" -o "$work/setup.exe"
cmp "$work/setup.exe" "$win32_installer" || fail "the 32-bit installer differs from the build's"
/usr/bin/instpack "$win64_description" -o "$work/setup64.exe" --target win64
cmp "$work/setup64.exe" "$win64_installer" || fail "the 64-bit installer differs from the build's"
echo "ok   /usr/bin/instpack makes the build's 32-bit and 64-bit installers, byte for byte"

[ "$(man -w instpack)" = /usr/share/man/man1/instpack.1.gz ] || fail "man finds \"$(man -w instpack 2>&1)\", not /usr/share/man/man1/instpack.1.gz"
MANWIDTH=100 man -P cat instpack >"$work/man.txt" 2>"$work/man.err" || { cat "$work/man.err"; fail "man instpack"; }
grep -q "instpack - package a product description into a self-extracting Windows installer" "$work/man.txt" ||
  { cat "$work/man.txt"; fail "man instpack shows no NAME line"; }
[ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man instpack complains"; }
echo "ok   man instpack opens the manual page ($(wc -l <"$work/man.txt") lines)"

remove
[ ! -e /usr/bin/instpack ] && [ ! -e /usr/share/instpack ] || fail "apt-get purge left files behind"
echo "ok   apt-get purge instpack removes it"
echo PASS
