#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) and cppcheck (.cppcheck-suppressions) over every native source
# of the repository, using the compile commands of the native build. Any finding fails the run.
#   scripts/analyse.sh            (configures build/native first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${ANALYSE_JOBS:-2}

[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
# The generated tables must exist for the files that include them; building the native tree
# once makes sure they do.
cmake --build build/native >/dev/null

# Sources of this repository only: not the generated tables in the build tree.
sources=$(python3 -c '
import json, os
root = os.getcwd() + "/"
seen = set()
for entry in json.load(open("build/native/compile_commands.json")):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and not path.startswith(root + "build/") and path not in seen:
        seen.add(path)
        print(path)
')

echo "== clang-tidy"
run-clang-tidy -quiet -j "$jobs" -p build/native $sources >build/clang-tidy.log 2>&1 || true
# The fuzz targets are built by scripts/fuzz.sh, outside the native build's compile commands.
for source in tests/fuzz/*.cpp; do
  clang-tidy --quiet "$source" -- -std=c++17 -I. -Itools/pack >>build/clang-tidy.log 2>&1 || true
done
if grep -E '(warning|error):' build/clang-tidy.log; then
  echo "clang-tidy: findings above (full log: build/clang-tidy.log)"
  exit 1
fi
echo "clang-tidy: no findings in $(echo "$sources" | wc -l) files and the fuzz targets"

echo "== cppcheck"
mkdir -p build/cppcheck
cppcheck --quiet --project=build/native/compile_commands.json --cppcheck-build-dir=build/cppcheck \
  -j "$jobs" --std=c++17 --library=googletest --library=posix --library=zlib \
  --enable=warning,style,performance,portability --inline-suppr \
  --suppressions-list=.cppcheck-suppressions --error-exitcode=1 -ibuild -i"$PWD/build" \
  --template='{file}:{line}: {severity}: {message} [{id}]'
# The fuzz targets are not in the native build; check them on their own.
cppcheck --quiet -j "$jobs" --std=c++17 --language=c++ --enable=warning,style,performance,portability \
  --library=posix --library=zlib --inline-suppr --suppressions-list=.cppcheck-suppressions \
  --error-exitcode=1 -I. -Itools/pack \
  --template='{file}:{line}: {severity}: {message} [{id}]' tests/fuzz
echo "cppcheck: no findings"
