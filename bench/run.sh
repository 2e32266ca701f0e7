#!/usr/bin/env bash
# Runs every benchmark (extraction, packaging, size, scale) and prints one table of figures,
# goals and verdicts. Usage:
#   bench/run.sh [--quick] [--reps N] [--sizes "16 64 256"] [--no-setup]
# --quick: a small corpus, one repetition, no scale run (a smoke test of the scripts, not a
# measurement). Results and raw outputs go to bench-out/ (results.md holds the table).
# Every time is a median of several repetitions; every comparison is a ratio taken within one
# repetition, the contenders run side by side in rotating order.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

quick=0
reps=5
sizes="16 64 256"
setup=1
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=1; reps=1; sizes="" ;;
    --reps) reps=$2; shift ;;
    --sizes) sizes=$2; shift ;;
    --no-setup) setup=0 ;;
    *) echo "usage: bench/run.sh [--quick] [--reps N] [--sizes \"16 64 256\"] [--no-setup]" >&2; exit 2 ;;
  esac
  shift
done
corpus_mb=100
[ "$quick" = 1 ] && corpus_mb=6
threads=$(nproc)
[ "$threads" -gt 2 ] && threads=2   # the goals compare one thread with two
out=$repo/bench-out
mkdir -p "$out"
log=$out/log.txt
: > "$log"
say() { echo "bench: $*" >&2; }

load_start=$(cut -d' ' -f1-3 /proc/loadavg)

# --- builds ---------------------------------------------------------------------------------
[ "$setup" = 1 ] && scripts/setup.sh
say "building native tools and the win32 installer"
{
  cmake --preset native && cmake --build build/native --target instpack
  cmake --preset win32 && cmake --build --preset win32
} >> "$log" 2>&1
instpack=$repo/build/native/tools/pack/instpack
products="corpus=$out/corpus/product.toml"
for mb in $sizes; do products="$products;s$mb=$out/s$mb/product.toml"; done
cmake -S bench -B build/bench -G Ninja -DINSTPACK="$instpack" "-DBENCH_PRODUCTS=$products" >> "$log" 2>&1
cmake --build build/bench --target make_corpus benchrun deflate_reuse_bench >> "$log" 2>&1
if [ "$quick" = 0 ]; then
  say "checking the corpus generator"
  ctest --test-dir build/bench --output-on-failure >> "$log" 2>&1 || { echo "bench: the corpus check failed (see $log)" >&2; exit 1; }
fi
benchrun=$repo/build/bench/benchrun

# --- the corpus -----------------------------------------------------------------------------
say "generating the ${corpus_mb} MB corpus"
rm -rf "$out/corpus"
build/bench/make_corpus "$out/corpus" --megabytes "$corpus_mb" > "$out/composition.txt"
for mb in $sizes; do
  rm -rf "$out/s$mb"
  build/bench/make_corpus "$out/s$mb" --megabytes "$mb" > "$out/s$mb.composition.txt"
done
corpus_sha=$(cd "$out/corpus" && cat $(cat files.txt) | sha256sum | cut -c1-16)
(cd "$out/corpus" && tar -cf "$out/corpus.tar" -T files.txt && gzip -6 -n -c "$out/corpus.tar" > "$out/corpus.tar.gz")
say "building the extraction benchmarks (packs each product once)"
cmake --build build/bench >> "$log" 2>&1

# --- 1. extraction --------------------------------------------------------------------------
# Extractions write to a fresh ext4 file system where one can be mounted (see bench/work_fs.sh).
work_fs=$(bench/work_fs.sh up "$out/work")
trap 'bench/work_fs.sh down "$out/work"' EXIT
say "1. extraction, $reps repetitions, into $out/work ($work_fs)"
build/bench/extract_bench_corpus --work "$out/work" --reps "$reps" --tar "$out/corpus.tar.gz" \
  --verify "$out/corpus" > "$out/extract.txt"
get() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }

# --- 2. packaging ---------------------------------------------------------------------------
say "2. packaging, $reps repetitions"
files=$(cat "$out/corpus/files.txt")
{
  echo 'Name "Bench"'
  echo "OutFile \"$out/nsis/bench-setup.exe\""
  echo 'SetCompressor zlib'
  echo 'RequestExecutionLevel user'
  echo 'InstallDir "$PROGRAMFILES\Bench"'
  echo 'Section'
  echo 'SetOutPath $INSTDIR'
  for f in $files; do echo "File \"$out/corpus/$f\""; done
  echo 'SectionEnd'
} > "$out/bench.nsi"
mkdir -p "$out/nsis"
p=$out/pack
rm -rf "$p"; mkdir -p "$p"
"$benchrun" --reps "$reps" --before sync \
  "instpack-${threads}t" "$instpack $out/corpus/product.toml --out-dir $p/a --threads $threads" \
  "instpack-1t" "$instpack $out/corpus/product.toml --out-dir $p/b --threads 1" \
  "pigz-${threads}t" "pigz -6 -p $threads -c $out/corpus.tar > $p/c.gz" \
  "pigz-1t" "pigz -6 -p 1 -c $out/corpus.tar > $p/d.gz" \
  "gzip" "gzip -6 -c $out/corpus.tar > $p/e.gz" \
  "installer" "bench/build_installer.sh build/win32 $instpack $out/corpus/product.toml $p/f $threads" \
  "makensis" "makensis -V1 $out/bench.nsi" > "$out/pack.txt"
build/bench/deflate_reuse_bench "$out/corpus" --reps "$reps" > "$out/reuse.txt"
col() { awk -F'\t' -v k="$2" -v c="$3" '$1 == k { print $c }' "$1"; }
installer_bytes=$(stat -c %s "$out/nsis/bench-setup.exe" 2>/dev/null || echo 0)

# --- 3. size --------------------------------------------------------------------------------
say "3. size of the minimal 32-bit installer"
mkdir -p "$out/minimal"
printf 'MZ main' > "$out/minimal/program.exe"
printf 'MZ uninst' > "$out/minimal/uninst.exe"
cat > "$out/minimal/product.toml" <<'TOML'
groupName = "Bench"
appTitle = "Bench"
iniFileName = "bench.ini"
offerStartupGroup = 0
startupPrompt = ""
mainExecutable = "program.exe"
files = ["program.exe", "uninst.exe"]
TOML
bench/build_installer.sh build/win32 "$instpack" "$out/minimal/product.toml" "$out/minimal/build" 1
bench/size_breakdown.sh "$out/minimal/build/setup.exe" "$out/minimal/build/setup.map" > "$out/size.txt"
minimal_bytes=$(stat -c %s "$out/minimal/build/setup.exe")

# --- 4. scale -------------------------------------------------------------------------------
for mb in $sizes; do
  say "4. scale: $mb MB"
  # For comparison only: the same link by ld.lld, where it is installed (see BENCHMARKS.md).
  lld_args=()
  if command -v ld.lld > /dev/null; then
    lld_args=("link-lld" "bench/build_installer.sh build/win32 $instpack $out/s$mb/product.toml $out/scale$mb $threads link-lld")
  fi
  s=$out/scale$mb
  "$benchrun" --reps "$([ "$mb" -ge 256 ] && echo 3 || echo "$reps")" --in-order --before "sync" \
    "pack" "bench/build_installer.sh build/win32 $instpack $out/s$mb/product.toml $s $threads pack" \
    "compile" "bench/build_installer.sh build/win32 $instpack $out/s$mb/product.toml $s $threads compile" \
    "link" "bench/build_installer.sh build/win32 $instpack $out/s$mb/product.toml $s $threads link" \
    "${lld_args[@]}" > "$out/scale$mb.txt"
  build/bench/extract_bench_s$mb --work "$out/work" --reps 1 > "$out/scale$mb.extract.txt"
  rm -rf "$s"
done

# --- the table ------------------------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v op="$2" -v g="$3" 'BEGIN { ok = (op == ">=") ? v >= g : v <= g; print ok ? "met" : "NOT met" }'; }
x=$out/extract.txt
original=$(get "$x" original_bytes)
packed=$(get "$x" packed_bytes)
share=$(get "$x" extract_share_of_limit)
speedup=$(get "$x" extract_speedup_over_tar)
pk=$out/pack.txt
inst2=$(col "$pk" "instpack-${threads}t" 2)
inst1=$(col "$pk" "instpack-1t" 2)
pigz2=$(col "$pk" "pigz-${threads}t" 2)
nsis=$(col "$pk" makensis 2)
e2e=$(col "$pk" installer 2)
vs_pigz=$(awk -v r1="$(col "$pk" "pigz-${threads}t" 7)" 'BEGIN { printf "%.2f", r1 }')
scaling=$(awk -v r="$(col "$pk" "instpack-1t" 7)" 'BEGIN { printf "%.2f", r }')
e2e_vs_nsis=$(awk -v a="$(col "$pk" installer 7)" -v b="$(col "$pk" makensis 7)" 'BEGIN { printf "%.2f", a / b }')
{
  echo "| # | figure | value | goal | verdict |"
  echo "|---|---|---|---|---|"
  echo "| 0 | load average (1, 5, 15 min) at start; at end | $load_start; $(cut -d' ' -f1-3 /proc/loadavg) | | |"
  echo "| 0 | corpus: files, bytes, sha256 prefix | $(get "$out/composition.txt" files) files, $original bytes, $corpus_sha | ~300 files, ~100 MB | |"
  echo "| 0 | corpus: compressed / original (instpack) | $(ratio "$packed" "$original") ($packed bytes) | record | |"
  echo "| 0 | corpus: gzip -6 tar / original | $(ratio "$(stat -c %s "$out/corpus.tar.gz")" "$original") | record | |"
  echo "| 1 | file system extracted to | $work_fs | | |"
  echo "| 1 | extraction / one-core limit (uncompress, no I/O), throughput | $share ($(get "$x" extract_mb_per_s) vs $(get "$x" limit_mb_per_s) MB/s) | >= 1.6 | $(verdict "$share" ">=" 1.6) |"
  echo "| 1 | extraction / limit on $(get "$x" cores) cores (uncompress, no I/O) | $(get "$x" extract_share_of_cores_limit) ($(get "$x" cores_limit_mb_per_s) MB/s) | record | |"
  echo "| 1 | extraction speed / tar -xzf speed | $speedup (tar $(get "$x" tar_mb_per_s) MB/s) | >= 2.5 | $(verdict "$speedup" ">=" 2.5) |"
  echo "| 1 | damage check / extraction time | $(get "$x" check_share_of_extract) | report | |"
  echo "| 1 | peak memory during extraction: heap + $(get "$x" extract_threads) thread stacks | $(get "$x" extract_peak_memory_bytes) bytes ($(get "$x" extract_peak_heap_bytes) + $(get "$x" extract_stack_bytes)) | flat | |"
  echo "| 2 | instpack pieces ${threads}t: time; pigz -6 -p $threads time / instpack time | ${inst2} s; $vs_pigz | >= 1.0 | $(verdict "$vs_pigz" ">=" 1.0) |"
  echo "| 2 | instpack speed-up, 1 -> $threads threads | $scaling (1t ${inst1} s) | >= 1.8 | $(verdict "$scaling" ">=" 1.8) |"
  echo "| 2 | end-to-end 32-bit installer build / makensis (zlib, non-solid) | $e2e_vs_nsis (medians $e2e s vs $nsis s) | <= 0.5 | $(verdict "$e2e_vs_nsis" "<=" 0.5) |"
  echo "| 2 | gzip -6 of the tar; pigz -6 -p 1 (s) | $(col "$pk" gzip 2); $(col "$pk" pigz-1t 2) | record | |"
  echo "| 2 | one deflate stream per thread vs compress2 per piece (1 thread) | $(get "$out/reuse.txt" reuse_speedup) x faster ($(get "$out/reuse.txt" compress2_s) -> $(get "$out/reuse.txt" reused_stream_s) s) | show | |"
  echo "| 2 | installer sizes: ours, makensis | $(stat -c %s "$p/f/setup.exe" 2>/dev/null || echo ?) , $installer_bytes bytes | record | |"
  echo "| 3 | minimal 32-bit installer | $minimal_bytes bytes | <= 65536 | $(verdict "$minimal_bytes" "<=" 65536) |"
  while IFS=$'\t' read -r part bytes; do
    [ "$part" = total ] || echo "| 3 | &nbsp;&nbsp;of which $part | $bytes bytes | | |"
  done < "$out/size.txt"
  first_rate=""
  for mb in $sizes; do
    f=$out/scale$mb.txt
    packt=$(col "$f" pack 2); compt=$(col "$f" compile 2); linkt=$(col "$f" link 2)
    actual=$(get "$out/s$mb.composition.txt" bytes)
    rate=$(awk -v t="$packt" -v b="$actual" 'BEGIN { printf "%.4f", t / (b / 1e6) }')
    [ -n "$first_rate" ] || first_rate=$rate
    build_share=$(awk -v c="$compt" -v l="$linkt" -v p="$packt" 'BEGIN { printf "%.2f", (c + l) / p }')
    echo "| 4 | ${mb} MB: pack / compile / link time (s) | $packt / $compt / $linkt ($(awk -v r="$rate" 'BEGIN { printf "%.1f", r * 1000 }') ms per MB) | linear | $(verdict "$(ratio "$rate" "$first_rate")" "<=" 1.25) |"
    echo "| 4 | ${mb} MB: peak memory pack / compile / link (MB) | $(( $(col "$f" pack 6) / 1024 )) / $(( $(col "$f" compile 6) / 1024 )) / $(( $(col "$f" link 6) / 1024 )) | pack flat | |"
    echo "| 4 | ${mb} MB: compile + link / packaging time | $build_share | <= 0.20 at 256 MB | $([ "$mb" = 256 ] && verdict "$build_share" "<=" 0.20) |"
    lldt=$(col "$f" link-lld 2)
    if [ -n "$lldt" ]; then
      echo "| 4 | ${mb} MB: the same link by ld.lld (s, peak MB); compile + that link / packaging | $lldt, $(( $(col "$f" link-lld 6) / 1024 )); $(awk -v c="$compt" -v l="$lldt" -v p="$packt" 'BEGIN { printf "%.2f", (c + l) / p }') | comparison | |"
    fi
    echo "| 4 | ${mb} MB: native installer peak memory during extraction (heap + stacks) | $(get "$out/scale$mb.extract.txt" extract_peak_memory_bytes) bytes | flat | |"
  done
} > "$out/results.md"
cat "$out/results.md"
