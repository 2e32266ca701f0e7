#!/usr/bin/env bash
# Runs every benchmark (extraction, packaging, size, scale, extraction under Wine, identical
# outputs, the time to the first window under Wine, products that are folder trees) and prints one
# table of figures, goals and verdicts. Usage:
#   bench/run.sh [--quick] [--reps N] [--sizes "16 64 256"] [--no-setup]
# --quick: a small corpus, one repetition, no scale run, 2,000 small files instead of 100,000 (a
# smoke test of the scripts, not a measurement). Results and raw outputs go to bench-out/ (results.md holds the table).
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
# A step that fails says why: the steps' own output goes to the log, so its end is shown.
trap 'status=$?; echo "bench: a step failed (status $status); the end of $log:" >&2; tail -n 40 "$log" >&2' ERR

load_start=$(cut -d' ' -f1-3 /proc/loadavg)

# --- builds ---------------------------------------------------------------------------------
[ "$setup" = 1 ] && scripts/setup.sh
say "building instpack, the installer programs of every target and the sample's programs"
{
  cmake --preset native && cmake --build build/native --target instpack installer_program
  cmake --preset win32 && cmake --build build/win32 --target installer_program uninstaller_program tov32 uninst
  cmake --preset win64 && cmake --build --preset win64
} >> "$log" 2>&1
instpack=$repo/build/native/tools/pack/instpack
program32=$repo/build/win32/installer-win32.exe
program64=$repo/build/win64/installer-win64.exe
program_native=$repo/build/native/installer-native
cmake -S bench -B build/bench -G Ninja >> "$log" 2>&1
cmake --build build/bench >> "$log" 2>&1
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
say "packaging each product once as a native installer, for the extraction benchmark"
for name in corpus $(for mb in $sizes; do echo "s$mb"; done); do
  "$instpack" "$out/$name/product.toml" -o "$out/$name-native" --target native --stub "$program_native"
done

# --- 1. extraction --------------------------------------------------------------------------
# Extractions write to a fresh ext4 file system where one can be mounted (see bench/work_fs.sh).
work_fs=$(bench/work_fs.sh up "$out/work")
trap 'bench/work_fs.sh down "$out/work"' EXIT
say "1. extraction, $reps repetitions, into $out/work ($work_fs)"
build/bench/extract_bench --installer "$out/corpus-native" --work "$out/work" --reps "$reps" --tar "$out/corpus.tar.gz" \
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
# instpack's run is the whole build: description in, finished 32-bit installer out.
"$benchrun" --reps "$reps" --before sync \
  "instpack-${threads}t" "$instpack $out/corpus/product.toml -o $p/a.exe --stub $program32 --threads $threads" \
  "instpack-1t" "$instpack $out/corpus/product.toml -o $p/b.exe --stub $program32 --threads 1" \
  "pigz-${threads}t" "pigz -6 -p $threads -c $out/corpus.tar > $p/c.gz" \
  "pigz-1t" "pigz -6 -p 1 -c $out/corpus.tar > $p/d.gz" \
  "gzip" "gzip -6 -c $out/corpus.tar > $p/e.gz" \
  "makensis" "makensis -V1 $out/bench.nsi" > "$out/pack.txt"
# The sample product, from its description to its finished installer.
"$benchrun" --reps 10 \
  "sample" "$instpack build/win32/sample/product.toml -o $p/sample.exe --stub $program32" > "$out/sample.txt"
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
"$instpack" "$out/minimal/product.toml" -o "$out/minimal/setup.exe" --stub "$program32"
bench/size_breakdown.sh "$program32" build/win32/installer-win32.map > "$out/size.txt"
minimal_bytes=$(stat -c %s "$out/minimal/setup.exe")
# The section instpack adds before the data: the resources it writes (manifest, version
# information, the program's dialog templates again) and the load configuration.
identity_bytes=$(x86_64-w64-mingw32-objdump -h "$out/minimal/setup.exe" |
  awk '$2 == ".rsrc" { print $3 }' | { read -r hex; echo $(( (16#$hex + 511) / 512 * 512 )); })
program_bytes=$(stat -c %s "$program32")

# --- 4. scale -------------------------------------------------------------------------------
for mb in $sizes; do
  say "4. scale: $mb MB"
  s=$out/scale$mb
  mkdir -p "$s"
  # Compression alone (the pieces, as instpack cuts and compresses them), then the whole build.
  "$benchrun" --reps "$([ "$mb" -ge 256 ] && echo 3 || echo "$reps")" --before "sync; rm -f $s/*" \
    "compress" "build/bench/compress_pieces $out/s$mb/product.toml $s/pieces.bin $threads" \
    "build" "$instpack $out/s$mb/product.toml -o $s/setup.exe --stub $program32 --threads $threads" > "$out/scale$mb.txt"
  build/bench/extract_bench --installer "$out/s$mb-native" --work "$out/work" --reps 1 > "$out/scale$mb.extract.txt"
  rm -rf "$s"
done

# --- 5. extraction under Wine: the win32 installer (the product) against makensis's, which is a
# 32-bit program too; the win64 installer beside them, and against the same installer with the
# extraction of one thread (the 64-bit program of the last commit before extraction used every
# core, filled in by that commit's own instpack: an instpack takes only the programs of its own
# release); same files, one prefix
wine_reps=$([ "$quick" = 1 ] && echo 1 || echo 3)
one_thread_commit=${ONE_THREAD_COMMIT:-c43a00e38339}
say "5. extraction under Wine, $wine_reps repetitions; the one-thread program from $one_thread_commit"
"$instpack" "$out/corpus/product.toml" -o "$p/corpus-win64.exe" --target win64 --stub "$program64"
one_thread=$repo/build/bench/one-thread
if [ ! -f "$one_thread/build/installer-win64.exe" ] || [ ! -f "$one_thread/build-native/tools/pack/instpack" ]; then
  rm -rf "$one_thread" && mkdir -p "$one_thread/src"
  git archive "$one_thread_commit" | tar -x -C "$one_thread/src"
  {
    cmake -S "$one_thread/src" -B "$one_thread/build" --toolchain "$one_thread/src/cmake/mingw-x86_64.cmake" -G Ninja \
      -DCMAKE_BUILD_TYPE=MinSizeRel
    cmake --build "$one_thread/build" --target installer_program
    cmake -S "$one_thread/src" -B "$one_thread/build-native" -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build "$one_thread/build-native" --target instpack
  } >> "$log" 2>&1 || { echo "bench: building the one-thread program of $one_thread_commit failed (see $log)" >&2; exit 1; }
fi
"$one_thread/build-native/tools/pack/instpack" "$out/corpus/product.toml" -o "$p/corpus-win64-one-thread.exe" \
  --target win64 --stub "$one_thread/build/installer-win64.exe"
[ -f "$out/nsis/bench-setup.exe" ] || makensis -V1 "$out/bench.nsi" >> "$log" 2>&1
/usr/bin/python3 bench/wine_extract.py --state-dir build/bench/wine-session --prefix "$repo/build/bench/wine-prefix" \
  --player build/win64/tests/wine/player.exe --ours "$p/corpus-win64.exe" --ours32 "$p/a.exe" --ini bench.ini \
  --nsis "$out/nsis/bench-setup.exe" --files "$out/corpus/files.txt" \
  --one-thread "$p/corpus-win64-one-thread.exe" --reps "$wine_reps" > "$out/wine.txt"

# --- 7. the first window under Wine: the sample and a 1 GiB product, both installers, each
# started with its file's pages dropped from the page cache (bench/first_window.py says how).
# The 1 GiB product is four files of random bytes, 268,000,000 each (1,072,000,000 bytes, 0.998
# GiB): four of 2^28 bytes do not fit, since a 32-bit installer's data is at most 1 GiB and
# random bytes grow by zlib's framing, 11 bytes per piece. The bytes are AES-CTR of zeros, the
# same on every run.
fw=$out/first-window
gib=$fw/gib
gib_bytes=$([ "$quick" = 1 ] && echo 2000000 || echo 268000000)
gib_label=$([ "$quick" = 1 ] && echo "4 random files of $gib_bytes bytes" || echo "1 GiB product (4 random files)")
say "7. time to the first window under Wine: the sample and four files of $gib_bytes random bytes"
mkdir -p "$gib"
for i in 1 2 3 4; do
  if [ "$(stat -c %s "$gib/part$i.bin" 2>/dev/null || echo 0)" != "$gib_bytes" ]; then
    # head ends the endless stream: openssl's broken pipe is expected.
    { openssl enc -aes-128-ctr -nosalt -K 000102030405060708090a0b0c0d0e0f -iv "0000000000000000000000000000000$i" \
      -in /dev/zero 2>/dev/null || true; } | head -c "$gib_bytes" > "$gib/part$i.bin"
  fi
done
cat > "$gib/product.toml" <<'TOML'
groupName = "Gib"
appTitle = "Gib"
iniFileName = "gib.ini"
offerStartupGroup = 0
startupPrompt = ""
mainExecutable = "part1.bin"
files = ["part1.bin", "part2.bin", "part3.bin", "part4.bin"]
TOML
"$instpack" "$gib/product.toml" -o "$fw/gib-win32.exe" --stub "$program32" \
  --uninstaller-stub build/win32/uninstaller-win32.exe
"$instpack" "$gib/product.toml" -o "$fw/gib-win64.exe" --target win64 --stub "$program64" \
  --uninstaller-stub build/win64/uninstaller-win64.exe
rm -rf "$fw/screenshots"
/usr/bin/python3 bench/first_window.py --state-dir build/bench/wine-session --prefix "$repo/build/bench/wine-prefix" \
  --contender "sample32=$p/sample.exe=Tovalin=tovalin2.ini" \
  --contender "sample64=$repo/build/win64/sample/tovalin-setup.exe=Tovalin=tovalin2.ini" \
  --contender "gib32=$fw/gib-win32.exe=Gib=gib.ini" --contender "gib64=$fw/gib-win64.exe=Gib=gib.ini" \
  --reps "$reps" --screenshot "$fw/gib-win32.exe" --player build/win64/tests/wine/player.exe --out-dir "$fw" \
  > "$out/first_window.txt" 2>> "$log"

# --- 6. the same bytes: two runs, two build folders, Linux and Windows instpack --------------
say "6. identical outputs"
"$instpack" build/win32/sample/product.toml -o "$p/sample-again.exe" --stub "$program32"
cmake -S . -B build/bench/win32-second --toolchain cmake/mingw-i686.cmake -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel >> "$log" 2>&1
cmake --build build/bench/win32-second --target installer_program >> "$log" 2>&1
"$instpack" build/win32/sample/product.toml -o "$p/sample-second-folder.exe" \
  --stub build/bench/win32-second/installer-win32.exe
wine_session=$repo/build/bench/wine-session
tests/wine/wine_session.sh start "$wine_session" "$repo/build/bench/wine-prefix" >> "$log" 2>&1
(set -a && . "$wine_session/session.env" && cd / && "$WINE64" "Z:$repo/build/win64/tools/pack/instpack.exe" \
  "Z:$repo/build/win32/sample/product.toml" -o "Z:$p/sample-windows.exe" --stub "Z:$program32") >> "$log" 2>&1
tests/wine/wine_session.sh stop "$wine_session" >> "$log" 2>&1
same() { cmp -s "$1" "$2" && echo "identical" || echo "DIFFERENT"; }
same_runs=$(same "$p/sample.exe" "$p/sample-again.exe")
same_folders=$(same "$p/sample.exe" "$p/sample-second-folder.exe")
same_systems=$(same "$p/sample.exe" "$p/sample-windows.exe")

# --- 8. folder trees: Debian 12's Python 3.11 library as installed (its byte-compiled
# __pycache__ folders included: without them it holds 739 files), installed natively against
# tar -xzf and under Wine against makensis's installer of the same tree (File /r); then 100,000
# small files (2,000 with --quick), packed and extracted natively. Both Wine installers write the
# root file uninst.exe after the tree, so its closing ends the time (bench/wine_extract.py --last).
t=$out/tree
tree_source=/usr/lib/python3.11
many_folders=$([ "$quick" = 1 ] && echo 2 || echo 100)
say "8. folder trees: $tree_source natively and under Wine, $((many_folders * 1000)) small files natively"
rm -rf "$t" && mkdir -p "$t"
ln -s "$tree_source" "$t/python"
printf 'MZ tree' > "$t/uninst.exe"
cat > "$t/product.toml" <<'TOML'
groupName = "Tree"
appTitle = "Tree"
iniFileName = "tree.ini"
offerStartupGroup = 0
startupPrompt = ""
mainExecutable = "uninst.exe"
files = [
  { tree = "python", into = "python" },
  "uninst.exe",
]
TOML
(cd "$t" && find -L python uninst.exe -type f) > "$t/files.txt"
tree_folders=$(cd "$t" && find -L python -type d | wc -l)
(cd "$t" && tar -chf - python uninst.exe | gzip -6 -n > "$t/tree.tar.gz")
"$instpack" "$t/product.toml" -o "$t/tree-native" --target native --stub "$program_native"
"$instpack" "$t/product.toml" -o "$t/tree-win32.exe" --stub "$program32"
"$instpack" "$t/product.toml" -o "$t/tree-win64.exe" --target win64 --stub "$program64"
{
  echo 'Name "Tree"'
  echo "OutFile \"$t/tree-nsis.exe\""
  echo 'SetCompressor zlib'
  echo 'RequestExecutionLevel user'
  echo 'InstallDir "$PROGRAMFILES\Tree"'
  echo 'Section'
  echo 'SetOutPath "$INSTDIR\python"'
  echo "File /r \"$t/python/*\""
  echo 'SetOutPath $INSTDIR'
  echo "File \"$t/uninst.exe\""
  echo 'SectionEnd'
} > "$t/tree.nsi"
makensis -V1 "$t/tree.nsi" >> "$log" 2>&1
build/bench/extract_bench --installer "$t/tree-native" --work "$out/work" --reps "$reps" --tar "$t/tree.tar.gz" \
  --verify "$t" > "$out/tree-extract.txt"
/usr/bin/python3 bench/wine_extract.py --state-dir build/bench/wine-session --prefix "$repo/build/bench/wine-prefix" \
  --player build/win64/tests/wine/player.exe --ours "$t/tree-win64.exe" --ours32 "$t/tree-win32.exe" --ini tree.ini \
  --nsis "$t/tree-nsis.exe" --files "$t/files.txt" --last uninst.exe --reps "$wine_reps" > "$out/wine-tree.txt"
m=$out/many
/usr/bin/python3 bench/make_many_files.py "$m" --folders "$many_folders" --files 1000 > "$out/many-composition.txt"
(cd "$m" && tar -cf - files uninst.exe | gzip -6 -n > "$out/many.tar.gz")
"$benchrun" --reps "$reps" --before sync \
  "instpack" "$instpack $m/product.toml -o $p/many-native --target native --stub $program_native --threads $threads" \
  "tar-czf" "tar -C $m -czf $p/many-again.tar.gz files uninst.exe" > "$out/many-pack.txt"
build/bench/extract_bench --installer "$p/many-native" --work "$out/work" --reps "$reps" --tar "$out/many.tar.gz" \
  --verify "$m" > "$out/many-extract.txt"
# The installer program itself, unattended, for its peak resident memory (its time holds the
# fixed waits of closing running copies): drives, home and profile in a sandbox.
sandbox=$out/many-run
rm -rf "$sandbox" "$out/work/drives" && mkdir -p "$sandbox/home" "$sandbox/config" "$out/work/drives/C"
"$benchrun" --reps 1 "installer" "env HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config INSTALLER_DRIVES=$out/work/drives \
  $p/many-native /S '/D=C:\\many' < /dev/null" > "$out/many-install.txt"
# Every file of the product, and besides them only the installer's record of the installation.
[ "$(find "$out/work/drives/C/many" -type f ! -path "$out/work/drives/C/many/uninst.dat" | wc -l)" = \
  "$(get "$out/many-composition.txt" files)" ] ||
  { echo "bench: the native installer did not install every one of the small files" >&2; exit 1; }
rm -rf "$sandbox" "$out/work/drives"

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
sample=$(col "$out/sample.txt" sample 2)
vs_pigz=$(awk -v r1="$(col "$pk" "pigz-${threads}t" 7)" 'BEGIN { printf "%.2f", r1 }')
scaling=$(awk -v r="$(col "$pk" "instpack-1t" 7)" 'BEGIN { printf "%.2f", r }')
e2e_vs_nsis=$(awk -v b="$(col "$pk" makensis 7)" 'BEGIN { printf "%.2f", 1 / b }')
w=$out/wine.txt
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
  echo "| 2 | the sample: instpack to finished installer | $sample s | < 0.1 s | $(verdict "$sample" "<=" 0.1) |"
  echo "| 2 | end-to-end 32-bit installer build (instpack, ${threads}t) / makensis (zlib, non-solid) | $e2e_vs_nsis (medians $inst2 s vs $nsis s) | <= 0.2 | $(verdict "$e2e_vs_nsis" "<=" 0.2) |"
  echo "| 2 | pigz -6 -p $threads time / instpack ${threads}t time | $vs_pigz | >= 1.0 | $(verdict "$vs_pigz" ">=" 1.0) |"
  echo "| 2 | instpack speed-up, 1 -> $threads threads | $scaling (1t ${inst1} s) | >= 1.8 | $(verdict "$scaling" ">=" 1.8) |"
  echo "| 2 | gzip -6 of the tar; pigz -6 -p 1 (s) | $(col "$pk" gzip 2); $(col "$pk" pigz-1t 2) | record | |"
  echo "| 2 | one deflate stream per thread vs compress2 per piece (1 thread) | $(get "$out/reuse.txt" reuse_speedup) x faster ($(get "$out/reuse.txt" compress2_s) -> $(get "$out/reuse.txt" reused_stream_s) s) | show | |"
  echo "| 2 | installer sizes: ours, makensis | $(stat -c %s "$p/a.exe" 2>/dev/null || echo ?) , $installer_bytes bytes | record | |"
  echo "| 3 | minimal 32-bit installer | $minimal_bytes bytes | <= 38912, aim 32768 | $(verdict "$minimal_bytes" "<=" 38912)$( [ "$minimal_bytes" -le 32768 ] && echo ", aim met") |"
  echo "| 3 | &nbsp;&nbsp;of which the prebuilt program | $program_bytes bytes | | |"
  while IFS=$'\t' read -r part bytes; do
    [ "$part" = total ] || echo "| 3 | &nbsp;&nbsp;&nbsp;&nbsp;of which $part | $bytes bytes | | |"
  done < "$out/size.txt"
  echo "| 3 | &nbsp;&nbsp;of which instpack's resources and load configuration, padded to 512 | $identity_bytes bytes | | |"
  echo "| 3 | &nbsp;&nbsp;of which the product's data (two tiny files), padded to 512 | $((minimal_bytes - program_bytes - identity_bytes)) bytes | | |"
  first_rate=""
  for mb in $sizes; do
    f=$out/scale$mb.txt
    compt=$(col "$f" compress 2); buildt=$(col "$f" build 2)
    actual=$(get "$out/s$mb.composition.txt" bytes)
    rate=$(awk -v t="$buildt" -v b="$actual" 'BEGIN { printf "%.4f", t / (b / 1e6) }')
    [ -n "$first_rate" ] || first_rate=$rate
    build_share=$(awk -v c="$compt" -v b="$buildt" 'BEGIN { printf "%.2f", b / c }')
    echo "| 4 | ${mb} MB: compression alone / whole build time (s) | $compt / $buildt ($(awk -v r="$rate" 'BEGIN { printf "%.1f", r * 1000 }') ms per MB built) | linear | $(verdict "$(ratio "$rate" "$first_rate")" "<=" 1.25) |"
    echo "| 4 | ${mb} MB: peak memory compression / build (MB) | $(( $(col "$f" compress 6) / 1024 )) / $(( $(col "$f" build 6) / 1024 )) | flat | |"
    echo "| 4 | ${mb} MB: whole build / compression alone | $build_share | <= 1.1 at 256 MB | $([ "$mb" = 256 ] && verdict "$build_share" "<=" 1.1) |"
    echo "| 4 | ${mb} MB: native installer peak memory during extraction (heap + stacks) | $(get "$out/scale$mb.extract.txt" extract_peak_memory_bytes) bytes | flat | |"
  done
  echo "| 5 | under Wine: makensis's installer time / the win32 installer's (both 32-bit), first file created to last closed | $(get "$w" wine_nsis_over_ours32) (medians $(get "$w" wine_nsis_s) s vs $(get "$w" wine_ours32_s) s) | >= 2.0 | $(verdict "$(get "$w" wine_nsis_over_ours32)" ">=" 2.0) |"
  echo "| 5 | under Wine: makensis's installer time / the win64 installer's (under wine64) | $(get "$w" wine_nsis_over_ours) (medians $(get "$w" wine_nsis_s) s vs $(get "$w" wine_ours_s) s) | record | |"
  echo "| 5 | under wine64: the one-thread win64 installer's time / today's | $(get "$w" wine_one_thread_over_ours) (medians $(get "$w" wine_one_thread_s) s vs $(get "$w" wine_ours_s) s) | the native gain | |"
  echo "| 6 | the sample's installer: two runs; two build folders; Linux and Windows instpack | $same_runs; $same_folders; $same_systems | identical | $([ "$same_runs$same_folders$same_systems" = identicalidenticalidentical ] && echo met || echo "NOT met") |"
  f=$out/first_window.txt
  for row in "sample32|the sample, the win32 installer (Wine's 32-bit side)" "sample64|the sample, the win64 installer (wine64)" \
             "gib32|$gib_label, the win32 installer" "gib64|$gib_label, the win64 installer"; do
    key=${row%%|*}
    seconds=$(get "$f" "first_window_${key}_s")
    echo "| 7 | first window after the start, cold cache: ${row#*|} | $seconds s ($(awk -v k="first_window_${key}_titles" '$1 == k { $1 = ""; sub(/^ /, ""); print }' "$f")) | <= 1 s | $(verdict "$seconds" "<=" 1) |"
  done
  echo "| 7 | $gib_label: its directory dialog after the check, win32; win64 | $(get "$f" product_window_gib32_s) s; $(get "$f" product_window_gib64_s) s | record | |"
  echo "| 7 | the verification window pictured (bench-out/first-window/screenshots/) | $(get "$f" verification_window_pictured) | | |"
  tree_files=$(wc -l < "$t/files.txt")
  echo "| 8 | tree: $tree_source as installed, and a last file: files, folders, bytes | $tree_files files in $tree_folders folders, $(get "$out/tree-extract.txt" original_bytes) bytes | >= 1,000 files, nested | $(verdict "$tree_files" ">=" 1000) |"
  f=$out/tree-extract.txt
  echo "| 8 | tree, natively: extraction speed / tar -xzf speed | $(get "$f" extract_speedup_over_tar) (medians $(get "$f" extract_s) s vs $(get "$f" tar_s) s) | >= 2.5 | $(verdict "$(get "$f" extract_speedup_over_tar)" ">=" 2.5) |"
  f=$out/wine-tree.txt
  echo "| 8 | tree under Wine: makensis's installer time (File /r) / the win32 installer's (both 32-bit), first thing created to last file closed | $(get "$f" wine_nsis_over_ours32) (medians $(get "$f" wine_nsis_s) s vs $(get "$f" wine_ours32_s) s) | >= 2.0 | $(verdict "$(get "$f" wine_nsis_over_ours32)" ">=" 2.0) |"
  echo "| 8 | tree under Wine: makensis's installer time / the win64 installer's (under wine64) | $(get "$f" wine_nsis_over_ours) (medians $(get "$f" wine_nsis_s) s vs $(get "$f" wine_ours_s) s) | record | |"
  many_files=$(get "$out/many-composition.txt" files)
  f=$out/many-pack.txt
  echo "| 8 | $many_files small files (0-200 bytes, $many_folders folders): instpack to native installer, time; peak memory (max RSS) | $(col "$f" instpack 2) s; $(awk -v k="$(col "$f" instpack 6)" 'BEGIN { printf "%.1f", k / 1024 }') MB (tar -czf $(col "$f" tar-czf 2) s) | report | |"
  f=$out/many-extract.txt
  echo "| 8 | $many_files small files: native extraction time, tar -xzf time | $(get "$f" extract_s) s, $(get "$f" tar_s) s (tar / extraction $(get "$f" extract_speedup_over_tar)) | report | |"
  echo "| 8 | $many_files small files: extraction's peak memory (heap + stacks); the native installer's max RSS (/S, its $(stat -c %s "$p/many-native")-byte file read by offset) | $(get "$f" extract_peak_memory_bytes) bytes; $(col "$out/many-install.txt" installer 6) KB | report | |"
} > "$out/results.md"
cat "$out/results.md"
