#!/usr/bin/env bash
# instpack and the prebuilt installer programs: every bad program and bad output path is refused
# with one line naming the file, exit status 1 and no output left behind; the Windows installers
# it writes carry a PE checksum that matches their bytes, and a large product's data starts on a
# page of the file.
#   installer_programs.sh INSTPACK DESCRIPTION WIN32_PROGRAM WIN64_PROGRAM NATIVE_PROGRAM \
#                         FOREIGN_PE SAMPLE_WIN32_INSTALLER SAMPLE_WIN64_INSTALLER
set -euo pipefail
instpack=$1 description=$2 win32=$3 win64=$4 native=$5 foreign=$6 sample32=$7 sample64=$8
for file in "$instpack" "$description" "$win32" "$win64" "$native" "$foreign" "$sample32" "$sample64"; do
  [ -f "$file" ] || { echo "FAIL: missing $file (build the native, win32 and win64 presets)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A copy of the win32 program with one byte of its code changed.
cp "$win32" "$work/damaged.exe"
printf '\x5a' | dd of="$work/damaged.exe" bs=1 seek=2000 conv=notrunc status=none
# The native program as another release of instpack built it: the version in its marker text
# changed (the native program has no checksum to mend).
version=$("$instpack" --version)
version=${version#instpack }
stale=${version%.*}.$((${version##*.} + 1))
VERSION=$version STALE=$stale /usr/bin/python3 -c '
import os, sys
data = open(sys.argv[1], "rb").read()
old, new = ("instpack %s (" % os.environ["VERSION"]).encode(), ("instpack %s (" % os.environ["STALE"]).encode()
assert data.count(old) == 1, "the marker text names the version once"
open(sys.argv[2], "wb").write(data.replace(old, new))' "$native" "$work/stale"
mkdir "$work/out" "$work/a-directory.exe"
cp "$description" "$work/product.toml"

# label | arguments after the description | what the message must contain
cases=(
  "missing program|--stub $work/absent.exe -o $work/out/setup.exe|$work/absent.exe: cannot read: No such file or directory"
  "not a program|--stub $work/product.toml -o $work/out/setup.exe|$work/product.toml (the win32 installer program): not a Windows program"
  "foreign program|--stub $foreign -o $work/out/setup.exe|$foreign (the win32 installer program): not an installer program of instpack"
  "program of another release|--target native --stub $work/stale -o $work/out/setup|$work/stale (the native installer program): is the installer program of instpack $stale; this is instpack $version, which takes only the programs of its own release"
  "64-bit program for win32|--stub $win64 -o $work/out/setup.exe|(the win32 installer program): a 64-bit program; --target win32 needs the 32-bit installer program"
  "32-bit program for win64|--target win64 --stub $win32 -o $work/out/setup.exe|(the win64 installer program): a 32-bit program; --target win64 needs the 64-bit installer program"
  "Windows program for native|--target native --stub $win32 -o $work/out/setup|(the native installer program): not a native (ELF) program"
  "native program for win32|--stub $native -o $work/out/setup.exe|(the win32 installer program): not a Windows program"
  "damaged program|--stub $work/damaged.exe -o $work/out/setup.exe|$work/damaged.exe (the win32 installer program): damaged (its checksum does not match its bytes)"
  "program holding a product|--stub $sample32 -o $work/out/setup.exe|(the win32 installer program): already holds a product"
  "output is a directory|--stub $win32 -o $work/a-directory.exe|$work/a-directory.exe: is a directory"
  "output is the description|--stub $win32 -o $work/product.toml|$work/product.toml: is $work/product.toml, which this run reads"
  "output is the program|--stub $win32 -o $win32|: is $win32, which this run reads"
  "output folder missing|--stub $win32 -o $work/missing/setup.exe|cannot create $work/missing/setup.exe: No such file or directory"
  "depfile is the description|--stub $win32 -o $work/out/setup.exe --depfile $work/product.toml|--depfile $work/product.toml: is $work/product.toml, which this run reads"
  "depfile is the output|--stub $win32 -o $work/out/setup.exe --depfile $work/out/../out/setup.exe|--depfile $work/out/../out/setup.exe: is the installer -o writes"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r label arguments expected <<<"$entry"
  before=$(sha256sum "$work/product.toml" "$win32")
  # shellcheck disable=SC2086
  if "$instpack" "$work/product.toml" $arguments >"$work/stdout" 2>"$work/stderr"; then status=0; else status=$?; fi
  message=$(cat "$work/stderr")
  problem=""
  [ "$status" -eq 1 ] || problem="exit status $status, not 1"
  [[ "$message" == *"$expected"* ]] || problem="message \"$message\" lacks \"$expected\""
  [ "$(wc -l <"$work/stderr")" -eq 1 ] || problem="not one line: $message"
  [ -z "$(ls "$work/out")" ] || problem="left $(ls "$work/out")"
  [ "$(sha256sum "$work/product.toml" "$win32")" = "$before" ] || problem="an input changed"
  [ -z "$(find "$work" -name '*.tmp')" ] || problem="left a temporary file"
  if [ -n "$problem" ]; then
    echo "FAIL $label: $problem"
    failures=$((failures + 1))
  else
    echo "ok   $label: $message"
  fi
done

# The checksum Windows computes: the 16-bit ones' complement sum of the file, the checksum field
# read as zero, plus the file's length.
for installer in "$sample32" "$sample64"; do
  if /usr/bin/python3 - "$installer" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
field = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64
stored = struct.unpack_from("<I", data, field)[0]
padded = data[:field] + b"\0\0\0\0" + data[field + 4:] + (b"\0" if len(data) % 2 else b"")
total = sum(struct.unpack_from("<%dH" % (len(padded) // 2), padded))
while total >> 16:
    total = (total & 0xFFFF) + (total >> 16)
computed = total + len(data)
print(f"{sys.argv[1]}: checksum {stored:#010x}, computed {computed:#010x}")
sys.exit(0 if stored == computed else 1)
PYTHON
  then :; else echo "FAIL: the PE checksum of $installer does not match"; failures=$((failures + 1)); fi
done

# A product of a megabyte: its data block lies after the image, where the last section's bytes
# end, so that the loader maps none of it (the image's size ends with the sections) while the
# sections follow each other without a gap and the signature's hash covers the block too.
head -c 1048576 /dev/urandom >"$work/big.bin"
printf 'MZ uninst' >"$work/uninst.exe"
cat >"$work/big.toml" <<TOML
groupName = "Big"
appTitle = "Big"
iniFileName = "big.ini"
offerStartupGroup = 0
startupPrompt = ""
mainExecutable = "big.bin"
files = ["big.bin", "uninst.exe"]
TOML
for target in win32 win64; do
  program=$win32
  [ "$target" = win64 ] && program=$win64
  if "$instpack" "$work/big.toml" -o "$work/out/big-$target.exe" --target "$target" --stub "$program" 2>"$work/stderr" &&
     /usr/bin/python3 - "$work/out/big-$target.exe" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
alignment, image_size, headers = struct.unpack_from("<I", data, pe + 24 + 32)[0], *struct.unpack_from("<II", data, pe + 24 + 56)
table = pe + 24 + optional_size
end, virtual_end = headers, 0
for i in range(count):
    name = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
    virtual_size, address, raw_size, raw_at = struct.unpack_from("<IIII", data, table + 40 * i + 8)
    if raw_at != end:
        sys.exit(f"{sys.argv[1]}: section {name} starts at {raw_at:#x}, the one before it ends at {end:#x}")
    end = raw_at + raw_size
    virtual_end = max(virtual_end, address + max(virtual_size, raw_size))
block_size = struct.unpack_from("<Q", data, end + 24)[0]
print(f"{sys.argv[1]}: the data block of {block_size} bytes starts at {end:#x}, the image is {image_size:#x} bytes")
sys.exit(0 if data[end:end + 8] == b"INSTDATA" and end + block_size <= len(data) < end + block_size + 8
         and image_size == (virtual_end + alignment - 1) // alignment * alignment and block_size > 1048576 else 1)
PYTHON
  then echo "ok   $target: the data block of a 1 MiB product lies after the image's last section, outside it"
  else echo "FAIL $target: the data block of a 1 MiB product is not where the installer looks for it $(cat "$work/stderr")"
    failures=$((failures + 1)); fi
  rm -f "$work/out/big-$target.exe"
done

[ "$failures" -eq 0 ] && echo "PASS" || { echo "$failures failures"; exit 1; }
