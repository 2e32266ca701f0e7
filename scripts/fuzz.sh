#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each, one at a time, for the given number of seconds.
#   scripts/fuzz.sh [seconds-per-target] [target...]     (default 60 s, every target)
# Corpora grow in build/fuzz/corpus/<target> (seeded from tests/fuzz/seeds/<target>); a crash
# leaves its input in build/fuzz/artifacts and makes the script fail. A summary of each run is
# appended to build/fuzz/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
all_targets=(separators home_default native_path profile pieces product file_name)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

out=$PWD/build/fuzz
mkdir -p "$out/obj" "$out/artifacts" "$out/corpus"
cxx=${CXX_FUZZ:-clang++}
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -I. -Itools/pack)

installer_sources=(datadir/data_directory.cpp payload/extract.cpp payload/piece_check.cpp
                   platform/files_posix.cpp platform/environment_posix.cpp platform/profile_posix.cpp
                   platform/native_path_posix.cpp tests/fuzz/fuzz_support.cpp)
pack_sources=(tools/pack/product.cpp tools/pack/windows1252.cpp)

# Compiles one source into build/fuzz/obj unless its object is newer than it and every header.
object_for() {
  local source=$1 object="$out/obj/$(echo "$1" | tr / _).o"
  if [ ! -f "$object" ] || [ -n "$(find "$source" $(dirname "$source") platform payload datadir driver \
       tests/fuzz tools/pack -maxdepth 1 -name '*.h' -newer "$object" 2>/dev/null | head -1)" ] \
       || [ "$source" -nt "$object" ]; then
    "$cxx" "${flags[@]}" -c "$source" -o "$object" >&2 || return 1
  fi
  echo "$object"
}

build_target() {
  local target=$1 objects=()
  local sources=(tests/fuzz/${target}_fuzz.cpp "${installer_sources[@]}")
  case $target in product|file_name) sources+=("${pack_sources[@]}") ;; esac
  for source in "${sources[@]}"; do objects+=("$(object_for "$source")") || return 1; done
  "$cxx" "${flags[@]}" "${objects[@]}" -lz -lpthread -o "$out/$target"
}

status=0
for target in "${targets[@]}"; do
  echo "== $target: building"
  build_target "$target"
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  [ -d "tests/fuzz/seeds/$target" ] && cp -n tests/fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "== $target: fuzzing for $seconds s"
  log="$out/$target.log"
  started=$(date +%s)
  if "$out/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$out/artifacts/$target-" "$corpus" >"$log" 2>&1; then
    result="clean"
  else
    result="FOUND A FAULT (see $log and $out/artifacts)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  line="$(date -u +%FT%TZ) $target: $(( $(date +%s) - started ))s of ${seconds}s, $runs runs, $coverage edges, $(ls "$corpus" | wc -l) corpus inputs: $result"
  echo "$line" | tee -a "$out/summary.txt"
done
exit $status
