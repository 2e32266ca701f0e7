#!/usr/bin/env bash
# Checks the layering of the sources (scripts/check_layers.py), then runs clang-tidy
# (.clang-tidy) and cppcheck (.cppcheck-suppressions) over every native source of the repository,
# using the compile commands of the native build, and over the Windows files (*_win32) with the
# compile commands of the win32 build and the mingw target (instpack.exe's, which only the win64
# build makes, with the win64 build's). Any finding fails the run.
#   scripts/analyse.sh            (configures build/native, build/win32 and build/win64 first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ANALYSE_JOBS:-2}

echo "== layers"
python3 scripts/check_layers.py

[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
[ -f build/win32/compile_commands.json ] || cmake --preset win32 >/dev/null
[ -f build/win64/compile_commands.json ] || cmake --preset win64 >/dev/null
# The generated tables must exist for the files that include them; building the native tree
# once makes sure they do. The Windows files include no generated table.
cmake --build build/native >/dev/null

# Sources of this repository in a build's compile commands, not the generated tables in the
# build tree; with a second argument, only the files whose name holds it.
sources_of() {
  python3 -c '
import json, os, sys
root = os.getcwd() + "/"
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and not path.startswith(root + "build/") and path not in seen \
            and sys.argv[2] in os.path.basename(path):
        seen.add(path)
        print(path)
' "$1" "${2:-}"
}
sources=$(sources_of build/native/compile_commands.json)
windows_sources=$(sources_of build/win32/compile_commands.json _win32)
tool_windows_sources=$(sources_of build/win64/compile_commands.json _win32 | grep /tools/)

echo "== clang-tidy"
run-clang-tidy -quiet -j "$jobs" -p build/native $sources >build/clang-tidy.log 2>&1 || true
# The fuzz targets are built by the fuzz preset (clang), outside the native build's commands.
for source in tests/fuzz/*.cpp; do
  clang-tidy --quiet "$source" -- -std=c++17 -I. >>build/clang-tidy.log 2>&1 || true
done
# The Windows files as their builds compile them (the installer's by win32, instpack's by win64),
# for the mingw targets; clang is told where the mingw compiler keeps its C++ headers. Left out
# there only: performance-no-int-to-ptr, since Win32 passes handles and pointers through integers
# (LPARAM, a BOOL as HDDEDATA, COLOR_WINDOW + 1 as a brush) by its own design.
# tidy_windows TRIPLE BUILD FILES...: clang-tidy over FILES as BUILD compiles them for TRIPLE.
tidy_windows() {
  local triple=$1 build=$2
  shift 2
  local includes=()
  while read -r folder; do
    includes+=("-extra-arg=-isystem$folder")
  done < <(echo | "$triple-g++-posix" -E -x c++ - -v 2>&1 | sed -n 's|^ \(/.*/include/c++[^ ]*\)$|\1|p')
  run-clang-tidy -quiet -j "$jobs" -p "$build" -checks=-performance-no-int-to-ptr \
    -extra-arg=--target="$triple" "${includes[@]}" "$@" >>build/clang-tidy.log 2>&1 || true
}
tidy_windows i686-w64-mingw32 build/win32 $windows_sources
tidy_windows x86_64-w64-mingw32 build/win64 $tool_windows_sources
if grep -E '(warning|error):' build/clang-tidy.log; then
  echo "clang-tidy: findings above (full log: build/clang-tidy.log)"
  exit 1
fi
echo "clang-tidy: no findings in $(echo "$sources" | wc -l) native files, the fuzz targets and" \
     "$(echo "$windows_sources $tool_windows_sources" | wc -w) Windows files"

echo "== cppcheck"
mkdir -p build/cppcheck build/cppcheck-win32
cppcheck --quiet --project=build/native/compile_commands.json --cppcheck-build-dir=build/cppcheck \
  -j "$jobs" --std=c++17 --library=googletest --library=posix --library=zlib \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=.cppcheck-suppressions --error-exitcode=1 -ibuild -i"$PWD/build" \
  --template='{file}:{line}: {severity}: {message} [{id}]'
# The fuzz targets are not in the native build; check them on their own.
cppcheck --quiet -j "$jobs" --std=c++17 --language=c++ --enable=warning,style,performance,portability \
  --library=posix --library=zlib --inline-suppr --suppressions-list=.cppcheck-suppressions \
  --error-exitcode=1 -I. \
  --template='{file}:{line}: {severity}: {message} [{id}]' tests/fuzz
# The Windows files, on cppcheck's 32-bit Windows platform with its knowledge of the Win32 API.
cppcheck --quiet --project=build/win32/compile_commands.json --cppcheck-build-dir=build/cppcheck-win32 \
  --file-filter='*_win32*' -j "$jobs" --std=c++17 --platform=win32A --library=windows \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=.cppcheck-suppressions --error-exitcode=1 -ibuild -i"$PWD/build" \
  --template='{file}:{line}: {severity}: {message} [{id}]'
mkdir -p build/cppcheck-win64
cppcheck --quiet --project=build/win64/compile_commands.json --cppcheck-build-dir=build/cppcheck-win64 \
  --file-filter='*tools/pack/*_win32*' -j "$jobs" --std=c++17 --platform=win64 --library=windows \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=.cppcheck-suppressions --error-exitcode=1 -ibuild -i"$PWD/build" \
  --template='{file}:{line}: {severity}: {message} [{id}]'
echo "cppcheck: no findings"
