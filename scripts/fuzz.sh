#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (the fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each, one at a time, for the given number of seconds.
#   scripts/fuzz.sh [seconds-per-target] [target...]     (default 60 s, every target)
# Corpora grow in build/fuzz/corpus/<target> (seeded from tests/fuzz/seeds/<target>); a crash
# leaves its input in build/fuzz/artifacts and makes the script fail. A summary of each run is
# appended to build/fuzz/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
all_targets=(separators home_default native_path profile pieces installer_data command_line install_record product file_name)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# The targets are CMake targets of the fuzz preset, over the project's own libraries.
out=$PWD/build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 --target "${targets[@]/#/fuzz_}"
mkdir -p "$out/artifacts" "$out/corpus"
# Scratch folders in memory where there is room: the profile and extraction targets write files
# on every run.
[ -w /dev/shm ] && export TMPDIR=/dev/shm

status=0
for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  [ -d "tests/fuzz/seeds/$target" ] && cp -n tests/fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "== $target: fuzzing for $seconds s"
  log="$out/$target.log"
  started=$(date +%s)
  if "$out/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
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
