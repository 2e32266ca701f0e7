#!/usr/bin/env bash
# A publisher's machine needs no compiler, assembler or linker: the Linux release archive,
# unpacked into an empty folder, makes working installers where none of those tools can be
# found, by itself and through a CMake project of the publisher's own.
#   without_toolchain.sh ARCHIVE WIN32_DESCRIPTION WIN32_INSTALLER WIN64_DESCRIPTION \
#                        WIN64_INSTALLER NATIVE_DESCRIPTION CMAKE_PROJECT
# The Windows installers made there must be byte for byte the ones the build made (which the Wine
# suite runs); the native one is run through a whole installation. instpack's shared libraries
# must come from packages that every Debian 12 system has, none of them a -dev package.
set -euo pipefail
archive=$1 win32_description=$2 win32_installer=$3 win64_description=$4 win64_installer=$5
native_description=$6 project=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
prefix=$(echo "$work"/unpacked/instpack-*)
for installed in bin/instpack share/instpack/installer-win32.exe share/instpack/installer-win64.exe \
                 share/instpack/installer-native share/instpack/uninstaller-win32.exe \
                 share/instpack/uninstaller-win64.exe share/instpack/uninstaller-native \
                 share/instpack/cmake/instpackConfig.cmake share/man/man1/instpack.1.gz \
                 share/doc/instpack/copyright share/doc/instpack/licenses/zlib; do
  [ -f "$prefix/$installed" ] || fail "the archive holds no $installed"
done
echo "ok   the archive unpacks into $(basename "$prefix")/ with instpack, every program, the CMake package and the documentation"

# Every shared library instpack loads, and the package it comes from: libc6, libgcc-s1 and
# libstdc++6 are apt's own (every Debian system has them), libssl3 is systemd's.
# (dpkg knows each file by one of its names: the one given, or either form of its real path.)
owner() {
  local real
  real=$(realpath "$1")
  for name in "$1" "$real" "${real#/usr}"; do dpkg -S "$name" 2>/dev/null | head -1 | cut -d: -f1 && return; done
}
while read -r library; do
  package=$(owner "$library")
  case $package in
    libc6 | libgcc-s1 | libstdc++6 | libssl3) echo "ok   $(basename "$library") from $package" ;;
    *) fail "instpack loads $library, from \"$package\", which a fresh Debian 12 system may lack" ;;
  esac
done < <(ldd "$prefix/bin/instpack" | sed -n 's/.* => \(\/[^ ]*\) .*/\1/p')

# Nothing but instpack itself: no PATH with a compiler, assembler or linker on it.
mkdir "$work/empty"
publisher() { env -i PATH="$work/empty" HOME="$work" "$@"; }
for tool in cc c++ gcc g++ as ld cmake i686-w64-mingw32-gcc x86_64-w64-mingw32-gcc windres; do
  if publisher /bin/bash -c "command -v $tool" >/dev/null; then fail "$tool can be found"; fi
done

publisher "$prefix/bin/instpack" "$win32_description" -o "$work/setup.exe"
cmp "$work/setup.exe" "$win32_installer" || fail "the 32-bit installer differs from the build's"
publisher "$prefix/bin/instpack" "$win64_description" -o "$work/setup64.exe" --target win64
cmp "$work/setup64.exe" "$win64_installer" || fail "the 64-bit installer differs from the build's"
echo "ok   the 32-bit and the 64-bit installer made without a toolchain are the build's, byte for byte"

publisher "$prefix/bin/instpack" "$native_description" -o "$work/setup" --target native
mkdir -p "$work/drives/C/users/demo" "$work/home" "$work/config"
# Enter accepts the proposed directory; the notice is answered OK and the last question No.
printf '\n\n\n\n' | (cd "$work" && env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  INSTALLER_DRIVES="$work/drives" HOMEDRIVE=C: HOMEPATH='\users\demo' "$work/setup" >"$work/run.log")
for file in tov32.exe help.htm tovalin.jpg uninst.exe; do
  [ -f "$work/drives/C/users/demo/Tovalin/$file" ] || { cat "$work/run.log"; fail "$file not installed"; }
done
grep -q "Installation Successful" "$work/run.log" || { cat "$work/run.log"; fail "no success"; }
echo "ok   the native installer made without a toolchain installs the sample"

# The publisher's own CMake project, with the 32-bit sample's description and files beside it
# (the description names them relative to itself), and a PATH holding cmake, ninja and the
# unpacked bin/, from which find_package(instpack) finds the package.
cp -r "$project" "$work/project"
/usr/bin/python3 - "$win32_description" "$work/project" <<'PYTHON'
import os, re, shutil, sys
description, project = sys.argv[1], sys.argv[2]
def local(match):
    shutil.copy(match.group(1), project)
    return '"%s"' % os.path.basename(match.group(1))
text = re.sub(r'"(/[^"]+)"', local, open(description, encoding="utf-8").read())
open(os.path.join(project, "product.toml"), "w", encoding="utf-8").write(text)
PYTHON
mkdir "$work/tools"
ln -s "$(command -v cmake)" "$(command -v ninja)" "$work/tools/"
builder() { env -i PATH="$work/tools:$prefix/bin" HOME="$work" "$@"; }
for tool in cc c++ gcc g++ as ld; do
  if builder /bin/bash -c "command -v $tool" >/dev/null; then fail "$tool can be found by the CMake project"; fi
done
builder cmake -S "$work/project" -B "$work/project-build" -G Ninja >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; fail "the CMake project does not configure"; }
grep -q "instpack .*: $prefix/bin/instpack" "$work/configure.log" || { cat "$work/configure.log"; fail "found another instpack"; }
builder cmake --build "$work/project-build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "the CMake project does not build"; }
cmp "$work/project-build/tovalin-setup.exe" "$win32_installer" || fail "the CMake project's installer differs from the build's"
builder cmake --build "$work/project-build" >"$work/again.log" 2>&1
grep -q "no work to do" "$work/again.log" || { cat "$work/again.log"; fail "built again with nothing changed"; }
touch "$work/project/help.htm"
builder cmake --build "$work/project-build" >"$work/touched.log" 2>&1
grep -q "Packaging tovalin-setup.exe" "$work/touched.log" || { cat "$work/touched.log"; fail "not packaged again after a listed file changed"; }
echo "ok   the CMake project finds the unpacked package, builds the build's 32-bit installer, and again only when a listed file changes"

# Its second installer packs what its install rules install; run, it puts each file in its folder.
tree_home="$work/drives/C/users/demo/Tovalin Tree"
printf '\n\n\n\n' | (cd "$work" && env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  INSTALLER_DRIVES="$work/drives" HOMEDRIVE=C: HOMEPATH='\users\demo' "$work/project-build/tovalin-tree" >"$work/tree.log")
grep -q "Installation Successful" "$work/tree.log" || { cat "$work/tree.log"; fail "the installer of the install rules' tree did not succeed"; }
for file in bin/tov32.exe "data/help files/help.htm" "data/help files/tovalin.jpg"; do
  cmp "$tree_home/$file" "$work/project/$(basename "$file")" || fail "$file not installed from the install rules"
done
echo "ok   the CMake project's install rules make a tree installer that installs bin/ and a data folder"
echo PASS
