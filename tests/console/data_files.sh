#!/usr/bin/env bash
# The sample packed with its data in data files of 64 KiB beside the native installer: installed
# unattended, the files are those of the sample; a missing, a shortened and a changed data file
# are each refused before anything is written, unattended with status 13 and interactively with a
# message that names the file; data files of several segments install, and a change in a later
# segment is found; instpack refuses a size it cannot use, and a package manager's manifest of an
# installer that needs its data files.
# Usage: data_files.sh <instpack> <native installer program> <sample build folder> <sample source folder>
set -euo pipefail
instpack=$1 program=$2 built=$3 sources=$4
sandbox=$(mktemp -d /tmp/console-data-files-XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
mkdir -p "$sandbox"/{drives/C/users/ann,home,config,work,dist,spare}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Two megabytes of random bytes beside the sample's files make a product of some thirty data files,
# more than a megabyte, which the installer checks on every core.
mkdir -p "$sandbox/extra"
head -c 2097152 /dev/urandom > "$sandbox/extra/random.bin"
installer="$sandbox/dist/tovalin-setup"
"$instpack" "$built/product.toml" -o "$installer" --target native --stub "$program" --data-files 64K \
  --tree "$sandbox/extra"
count=$(ls "$sandbox/dist" | grep -c '^tovalin-setup-[0-9]*\.bin$' || true)
[ "$count" -ge 30 ] || fail "expected some thirty data files, found $count"
last="tovalin-setup-$count.bin"
middle="tovalin-setup-$((count / 2)).bin"

# Runs the installer with arguments "$@" and answers $answers on standard input; its exit status
# goes to $status and its output to $sandbox/out.
answers=''
run() {
  status=0
  printf '%s' "$answers" | (cd "$sandbox/work" && env -i PATH="$PATH" HOME="$sandbox/home" \
    XDG_CONFIG_HOME="$sandbox/config" INSTALLER_DRIVES="$sandbox/drives" HOMEDRIVE=C: \
    HOMEPATH='\users\ann' "$installer" "$@") > "$sandbox/out" 2>&1 || status=$?
}
target="$sandbox/drives/C/users/ann/Tovalin"

# 1. Installed from its data files, the product is the sample's, byte for byte.
answers='' run /S '/D=C:\users\ann\Tovalin'
[ "$status" = 0 ] || fail "unattended installation: status $status"
for file in tov32.exe uninst.exe; do cmp -s "$built/$file" "$target/$file" || fail "$file differs from the built one"; done
for file in help.htm tovalin.jpg; do cmp -s "$sources/$file" "$target/$file" || fail "$file differs from its source"; done
cmp -s "$sandbox/extra/random.bin" "$target/random.bin" || fail "random.bin differs from its source"
rm -rf "$target" "$sandbox/config"/*

# 2. Each damage refused before anything is written: unattended, then interactively.
damage() {
  case $1 in
    missing) mv "$sandbox/dist/$last" "$sandbox/spare/" ;;
    shortened) cp "$sandbox/dist/tovalin-setup-1.bin" "$sandbox/spare/"; truncate -s -1 "$sandbox/dist/tovalin-setup-1.bin" ;;
    changed) cp "$sandbox/dist/$middle" "$sandbox/spare/"; printf 'x' | dd of="$sandbox/dist/$middle" bs=1 seek=100 conv=notrunc 2>/dev/null ;;
  esac
}
for case in "missing $last" "shortened tovalin-setup-1.bin" "changed $middle"; do
  # shellcheck disable=SC2086
  set -- $case
  damage "$1"
  answers='' run /S '/D=C:\users\ann\Tovalin'
  [ "$status" = 13 ] || fail "$1 data file, unattended: status $status, not 13"
  answers=$'\n\n' run
  grep -qF "The data file $2, which this setup program needs beside it, is missing or damaged." "$sandbox/out" ||
    fail "$1 data file, interactive: the message does not name $2: $(cat "$sandbox/out")"
  [ ! -e "$target" ] || fail "$1 data file: $target was written"
  [ -z "$(ls "$sandbox/config")" ] || fail "$1 data file: the profile was written"
  mv "$sandbox/spare/"* "$sandbox/dist/"
done

# 3. Data files of several digests each (one per 16 MiB segment): 40 MB of random bytes in data
#    files of 24 MiB install whole, and a byte changed in the second segment of the first is found.
rm -rf "$sandbox/dist" "$sandbox/extra" && mkdir -p "$sandbox/dist" "$sandbox/extra"
head -c 40000000 /dev/urandom > "$sandbox/extra/random.bin"
"$instpack" "$built/product.toml" -o "$installer" --target native --stub "$program" --data-files 24M \
  --tree "$sandbox/extra"
[ -e "$sandbox/dist/tovalin-setup-2.bin" ] || fail "40 MB in data files of 24 MiB made fewer than two"
answers='' run /S '/D=C:\users\ann\Tovalin'
[ "$status" = 0 ] || fail "data files of 24 MiB, unattended: status $status"
cmp -s "$sandbox/extra/random.bin" "$target/random.bin" || fail "random.bin from data files of 24 MiB differs"
rm -rf "$target" "$sandbox/config"/*
printf 'x' | dd of="$sandbox/dist/tovalin-setup-1.bin" bs=1 seek=20000000 conv=notrunc 2>/dev/null
answers='' run /S '/D=C:\users\ann\Tovalin'
[ "$status" = 13 ] || fail "a byte changed in a data file's second segment: status $status, not 13"
[ ! -e "$target" ] || fail "a byte changed in a data file's second segment: $target was written"

# 4. instpack's refusals, each of one line and status 2, with nothing written.
refused() {
  local expected=$1; shift
  local out
  out=$("$instpack" "$built/product.toml" -o "$sandbox/work/refused.exe" --stub "$program" "$@" 2>&1) &&
    fail "instpack $* succeeded"
  grep -qF -- "$expected" <<<"$out" || fail "instpack $*: $out"
  [ -z "$(ls "$sandbox/work")" ] || fail "instpack $* wrote $(ls "$sandbox/work")"
}
refused "expected a size in bytes, or with K, M or G (KiB, MiB, GiB), of at least 64K" --target native --data-files 65535
refused "expected a size in bytes" --target native --data-files 2T
refused "a manifest names one installer file to download" --target win64 --data-files 1M --winget-manifest "$sandbox/work/m"

if [ "$failures" -gt 0 ]; then
  echo "--- last output:"; cat "$sandbox/out"
  exit 1
fi
echo "data files: $count of them; installed, and each damage refused"
