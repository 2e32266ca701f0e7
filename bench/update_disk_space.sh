#!/bin/bash
# The disk space an update needs: the native installer of a real tree (Debian's Python 3.11
# library, no __pycache__) installed with /S onto a tmpfs, then its next version (every file
# changed) over it, with the tmpfs's use sampled while it runs; then the same update on a tmpfs
# too small for both versions, which must fail with status 3 and leave version 1 whole.
# Prints the figures. Needs root (mount) and build/native. Usage: bench/update_disk_space.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
instpack=$repo/build/native/tools/pack/instpack
stub=$repo/build/native/installer-native
work=$(mktemp -d /tmp/update-space-XXXXXX)
cleanup() { umount "$work/drives/C" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

# Two versions of the tree: version 2 has one more byte at the end of every file.
mkdir -p "$work/v1" "$work/v2"
tar -C /usr/lib/python3.11 --exclude=__pycache__ --exclude=site-packages --exclude=dist-packages -chf - . |
  tar -C "$work/v1" --transform 's,^\.,lib,' -xf -
cp -a "$work/v1/lib" "$work/v2/lib"
find "$work/v2/lib" -type f -exec sh -c 'for f; do printf x >> "$f"; done' sh {} +
for v in v1 v2; do
  printf 'MZ %s' "$v" > "$work/$v/uninst.exe"
  cat > "$work/$v/product.toml" <<TOML
groupName = "Space"
appTitle = "Space"
iniFileName = "space.ini"
offerStartupGroup = 0
startupPrompt = ""
mainExecutable = "uninst.exe"
version = "${v#v}"
files = [ { tree = "lib", into = "lib" }, "uninst.exe" ]
TOML
  "$instpack" "$work/$v/product.toml" -o "$work/$v-setup" --target native --stub "$stub" > /dev/null
done
files=$(find "$work/v1/lib" -type f | wc -l)
v1_bytes=$(du -sb "$work/v1/lib" | cut -f1)
v2_bytes=$(du -sb "$work/v2/lib" | cut -f1)

install() {  # install VERSION: the installer of VERSION with /S into C:\Space; prints its status
  local status=0
  (cd "$work" && env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    INSTALLER_DRIVES="$work/drives" HOMEDRIVE=C: HOMEPATH='\' "$work/$1-setup" '/S' '/D=C:\Space') || status=$?
  echo "$status"
}
used() { df --output=used -B1 "$work/drives/C" | tail -1 | tr -d ' '; }

mkdir -p "$work/home" "$work/config" "$work/drives/C"
mount -t tmpfs -o size=512m tmpfs "$work/drives/C"
[ "$(install v1)" = 0 ] || { echo "version 1 did not install"; exit 1; }
after_v1=$(used)
peak=$after_v1
install v2 > "$work/status" &
updater=$!
while kill -0 "$updater" 2>/dev/null; do
  now=$(used)
  [ "$now" -gt "$peak" ] && peak=$now
done
wait "$updater" || true
after_v2=$(used)
echo "update: $files files; version 1 $v1_bytes bytes of files, version 2 $v2_bytes"
echo "update: tmpfs use after version 1 $after_v1 bytes, peak during the update $peak, after it $after_v2 (status $(cat "$work/status"))"
echo "update: peak over version 1's use: $((peak - after_v1)) bytes ($(( (peak - after_v1) * 100 / v2_bytes ))% of version 2's files)"

# A disk with room for version 1 and half of version 2: the update fails with 3, version 1 stays.
umount "$work/drives/C"
rm -rf "$work/config"/*
mount -t tmpfs -o size=$(( after_v1 + v2_bytes / 2 )) tmpfs "$work/drives/C"
[ "$(install v1)" = 0 ] || { echo "version 1 did not install on the small disk"; exit 1; }
status=$(install v2)
if diff -r "$work/v1/lib" "$work/drives/C/Space/lib" > /dev/null && ! find "$work/drives/C/Space" -name '*.replaced' | grep -q .; then
  whole=yes
else
  whole=no
fi
echo "update: on a disk of $(( after_v1 + v2_bytes / 2 )) bytes: status $status, version 1 whole: $whole"
