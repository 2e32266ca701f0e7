#!/usr/bin/env bash
# Products of any size: the benchmark corpus (bench/make_corpus.cpp: text, native code and random
# bytes) grown to N GiB, packed by instpack for every target and installed. Prints, per size:
# instpack's time and peak memory per target; the native installer's time and peak memory for an
# unattended installation (max RSS: it reads its data by offset, so that memory stays flat
# whatever the size); the 64-bit installer's time to its first window under wine64, cold, and its
# time and peak memory for an unattended installation there; and the 32-bit installer's too where
# this machine's kernel runs 32-bit programs (under qemu-user each Wine process takes a minute to
# start, which would be all that is measured). Usage:
#   bench/any_size.sh [--gib "1 3"] [--reps N] [--data-files SIZE]
# With --data-files SIZE every installer puts its data into data files of SIZE beside it
# (instpack --data-files), and the figures are those of installers with data files.
# Run bench/run.sh (or its builds) first: this uses build/bench and the three installer programs.
# Needs about 3.5 times the largest size in free space under bench-out/.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
sizes="1 3"
reps=3
data_files=()
while [ $# -gt 0 ]; do
  case $1 in
    --gib) sizes=$2; shift ;;
    --reps) reps=$2; shift ;;
    --data-files) data_files=(--data-files "$2"); shift ;;
    *) echo "usage: bench/any_size.sh [--gib \"1 3\"] [--reps N] [--data-files SIZE]" >&2; exit 2 ;;
  esac
  shift
done
out=$repo/bench-out/any-size
mkdir -p "$out"
instpack=$repo/build/native/tools/pack/instpack
benchrun=$repo/build/bench/benchrun
threads=$(nproc)
[ "$threads" -gt 2 ] && threads=2
session=$repo/build/bench/wine-session
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
get() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }
emulated32=0
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ "$(head -1 /proc/sys/fs/binfmt_misc/qemu-i386)" = enabled ] && emulated32=1

for gib in $sizes; do
  d=$out/$gib${data_files[1]:+-data-files-${data_files[1]}}
  rm -rf "$d" && mkdir -p "$d"
  echo "any_size: $gib GiB: the corpus" >&2
  build/bench/make_corpus "$d/corpus" --megabytes $((gib * 1073741824 / 1000000)) > "$d/composition.txt"
  echo "any_size: $gib GiB: packing" >&2
  "$benchrun" --reps 1 --before sync \
    "win32" "$instpack $d/corpus/product.toml -o $d/setup32.exe --stub build/win32/installer-win32.exe --uninstaller-stub build/win32/uninstaller-win32.exe --threads $threads ${data_files[*]}" \
    "win64" "$instpack $d/corpus/product.toml -o $d/setup64.exe --target win64 --stub build/win64/installer-win64.exe --uninstaller-stub build/win64/uninstaller-win64.exe --threads $threads ${data_files[*]}" \
    "native" "$instpack $d/corpus/product.toml -o $d/setup-native --target native --stub build/native/installer-native --threads $threads ${data_files[*]}" \
    > "$d/pack.txt"
  echo "any_size: $gib GiB: the native installer, unattended" >&2
  sandbox=$d/run
  "$benchrun" --reps 1 --before "rm -rf $sandbox; mkdir -p $sandbox/home $sandbox/config $sandbox/drives/C" \
    "installer" "env HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config INSTALLER_DRIVES=$sandbox/drives \
      $d/setup-native /S '/D=C:\product' < /dev/null" > "$d/install.txt"
  [ "$(find "$sandbox/drives/C/product" -type f ! -name uninst.dat | wc -l)" = "$(get "$d/composition.txt" files)" ] ||
    { echo "any_size: the native installer did not write every file" >&2; exit 1; }
  rm -rf "$sandbox" "$d/corpus"
  echo "any_size: $gib GiB: the first window under Wine" >&2
  contenders=(--contender "any64=$d/setup64.exe=Bench=bench.ini")
  [ "$emulated32" = 0 ] && contenders+=(--contender "any32=$d/setup32.exe=Bench=bench.ini")
  /usr/bin/python3 bench/first_window.py --state-dir build/bench/wine-session --prefix "$repo/build/bench/wine-prefix" \
    "${contenders[@]}" --reps "$reps" > "$d/first_window.txt"
  # The Windows installers' own unattended installation under Wine, one after the other into the
  # same folder, each from a clean slate: no folder, profile, registration or items of the other's.
  echo "any_size: $gib GiB: the Windows installers under Wine, unattended" >&2
  prefix=$repo/build/bench/wine-prefix
  tests/wine/wine_session.sh start "$session" "$prefix" > /dev/null
  cat > "$d/clean.sh" <<'CLEAN'
rm -rf "$1/drive_c/anysize" "$1/drive_c/windows/bench.ini" \
  "$1/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Bench" \
  "$1"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Bench
for key in HKLM HKCU; do
  for view in 32 64; do
    "$2" reg delete "$key\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bench" /f /reg:$view
  done
done > /dev/null 2>&1
true
CLEAN
  clean="sh $d/clean.sh $prefix $wine64"
  installs=("wine64" "$wine64 $d/setup64.exe /S '/D=C:\\anysize'")
  [ "$emulated32" = 0 ] && installs+=("wine32" "$wine32 $d/setup32.exe /S '/D=C:\\anysize'")
  (set -a && . "$session/session.env" && cd / && "$benchrun" --reps 1 --in-order --before "$clean" "${installs[@]}") > "$d/wine_install.txt"
  [ "$(find "$prefix/drive_c/anysize" -type f ! -name uninst.dat | wc -l)" = "$(get "$d/composition.txt" files)" ] ||
    { echo "any_size: the last installer under Wine did not write every file" >&2; exit 1; }
  (set -a && . "$session/session.env" && $clean)
  tests/wine/wine_session.sh stop "$session" > /dev/null
  ls -l "$d" >&2
done
for gib in $sizes; do
  d=$out/$gib${data_files[1]:+-data-files-${data_files[1]}}
  echo "$gib GiB: installer sizes: $(stat -c %s "$d/setup32.exe") (win32) $(stat -c %s "$d/setup64.exe") (win64)"
  [ ${#data_files[@]} = 0 ] || echo "$gib GiB: data files of the win32 installer: $(stat -c %s "$d"/setup32-*.bin | tr '\n' ' ')"
  cat "$d/pack.txt" "$d/install.txt" "$d/first_window.txt" "$d/wine_install.txt"
done
