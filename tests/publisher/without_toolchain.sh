#!/usr/bin/env bash
# A publisher's machine needs no compiler, assembler or linker: instpack and the prebuilt
# installer programs, installed with `cmake --install`, make working installers in an
# environment where none of those tools can be found.
#   without_toolchain.sh NATIVE_BUILD_DIR WIN32_DESCRIPTION WIN32_INSTALLER NATIVE_DESCRIPTION
# The 32-bit installer made there must be byte for byte the one the build made (which the Wine
# suite runs); the native one is run through a whole installation.
set -euo pipefail
build=$1 win32_description=$2 win32_installer=$3 native_description=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
for installed in bin/instpack share/instpack/installer-win32.exe share/instpack/installer-win64.exe \
                 share/instpack/installer-native; do
  [ -f "$work/prefix/$installed" ] || { echo "FAIL: cmake --install left no $installed"; exit 1; }
done

# Nothing but instpack itself: no PATH with a compiler, assembler or linker on it.
mkdir "$work/empty"
publisher() { env -i PATH="$work/empty" HOME="$work" "$@"; }
for tool in cc c++ gcc g++ as ld cmake i686-w64-mingw32-gcc x86_64-w64-mingw32-gcc windres; do
  if publisher /bin/bash -c "command -v $tool" >/dev/null; then echo "FAIL: $tool can be found"; exit 1; fi
done

publisher "$work/prefix/bin/instpack" "$win32_description" -o "$work/setup.exe"
cmp "$work/setup.exe" "$win32_installer" || { echo "FAIL: the 32-bit installer differs from the build's"; exit 1; }
echo "ok   the 32-bit installer made without a toolchain is the build's, byte for byte"

publisher "$work/prefix/bin/instpack" "$native_description" -o "$work/setup" --target native
mkdir -p "$work/drives/C/users/demo" "$work/home" "$work/config"
# Enter accepts the proposed directory; the notice is answered OK and the last question No.
printf '\n\n\n\n' | (cd "$work" && env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  INSTALLER_DRIVES="$work/drives" HOMEDRIVE=C: HOMEPATH='\users\demo' "$work/setup" >"$work/run.log")
for file in tov32.exe help.htm tovalin.jpg uninst.exe; do
  [ -f "$work/drives/C/users/demo/Tovalin/$file" ] || { echo "FAIL: $file not installed"; cat "$work/run.log"; exit 1; }
done
grep -q "Installation Successful" "$work/run.log" || { echo "FAIL: no success"; cat "$work/run.log"; exit 1; }
echo "ok   the native installer made without a toolchain installs the sample"
echo PASS
