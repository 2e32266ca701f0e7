#!/usr/bin/env bash
# Builds a finished installer from a product description the way add_installer() does, reusing
# an installer build's compiled libraries: instpack, compile the generated table, link.
#   build_installer.sh BUILD_DIR INSTPACK DESCRIPTION OUT_DIR [THREADS] [STEP]
# BUILD_DIR is a configured and built win32 (or win64) tree; its own sample installer's compile
# and link commands are replayed with this product's table, so flags never drift from the build.
# Writes OUT_DIR/setup.exe (and OUT_DIR/setup.map, the linker's map); prints nothing on success.
# STEP is all (the default), or one of pack, compile, link to time the steps one by one, or
# link-lld: the same link done by LLVM's ld.lld instead of GNU ld (a comparison only; the build
# itself links with GNU ld), writing OUT_DIR/setup-lld.exe.
set -euo pipefail
build=$(cd "$1" && pwd)
instpack=$2
description=$3
out=$(mkdir -p "$4" && cd "$4" && pwd)
threads=${5:-$(nproc)}
step=${6:-all}
sample_gen=$build/sample/generated/tovalin_setup
sample_obj=sample/CMakeFiles/tovalin_setup.dir/generated/tovalin_setup/payload_table.cpp.obj

commands=$(ninja -C "$build" -t commands sample/tovalin-setup.exe)
compile=$(grep -F -- "-o $sample_obj -c" <<<"$commands")
link=$(grep -F -- "-o sample/tovalin-setup.exe" <<<"$commands")
[ -n "$compile" ] && [ -n "$link" ] || { echo "build_installer: no sample installer commands in $build" >&2; exit 1; }

if [ "$step" = all ] || [ "$step" = pack ]; then
  "$instpack" "$description" --out-dir "$out" --threads "$threads"
fi
compile=${compile//$sample_gen/$out}
compile=${compile//$sample_obj/$out/payload_table.obj}
link=${link//$sample_obj/$out/payload_table.obj}
link=${link//-o sample\/tovalin-setup.exe/-o $out/setup.exe -Wl,-Map,$out/setup.map}
link=${link//-Wl,--out-implib,sample\/libtovalin-setup.dll.a/}
cd "$build"
if [ "$step" = all ] || [ "$step" = compile ]; then eval "$compile"; fi
if [ "$step" = all ] || [ "$step" = link ]; then eval "$link"; fi
if [ "$step" = link-lld ]; then
  # The compiler driver's own linker command line (-###), with ld.lld in place of collect2 and
  # without the LTO plugin options that only GNU ld knows.
  link=${link#: && }
  link=${link% && :}
  link=${link//-Wl,-Map,$out\/setup.map/}
  link=${link//-o $out\/setup.exe/-o $out/setup-lld.exe}
  driver=$(eval "$link -###" 2>&1 | grep -F collect2)
  eval "set -- $driver"
  shift
  args=()
  while [ $# -gt 0 ]; do
    case $1 in
      -plugin) shift ;;
      -plugin-opt=*) ;;
      *) args+=("$1") ;;
    esac
    shift
  done
  ld.lld "${args[@]}"
fi
