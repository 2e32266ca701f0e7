#!/bin/sh
# Benchmark of instpack on a 256 MB product against pigz on the same bytes: wall time, CPU
# time and peak memory. Usage: pack_bench.sh INSTPACK [WORKDIR] [THREADS]
set -eu
instpack=$1
work=${2:-/tmp/instpack-bench}
threads=${3:-$(nproc)}
mb=1048576

mkdir -p "$work/product"
cd "$work/product"
# A mix that looks like a real product: already-compressed media, text, and program code.
[ -f media.bin ] || head -c $((96 * mb)) /dev/urandom > media.bin
[ -f docs.txt ] || head -c $((72 * mb)) /dev/urandom | base64 | head -c $((96 * mb)) > docs.txt
[ -f program.exe ] || { cat /usr/bin/* /usr/lib/x86_64-linux-gnu/*.so* 2>/dev/null || true; } | head -c $((64 * mb)) > program.exe
[ -f uninst.exe ] || head -c 47104 program.exe > uninst.exe
cat > product.toml <<'TOML'
groupName = "Bench"
appTitle = "Bench"
iniFileName = "bench.ini"
offerStartupGroup = false
startupPrompt = ""
mainExecutable = "program.exe"
files = ["program.exe", "media.bin", "docs.txt", "uninst.exe"]
TOML
total=$(cat media.bin docs.txt program.exe uninst.exe | wc -c)
cat media.bin docs.txt program.exe uninst.exe > /dev/null  # warm the page cache for both runs

measure() {  # label, command...: prints wall seconds, CPU seconds and peak resident memory
  label=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@"
  read -r wall user sys rss < "$work/time.txt"
  printf '%-28s wall %6.2f s  cpu %6.2f s  peak memory %7.1f MB\n' "$label" "$wall" \
    "$(echo "$user + $sys" | bc)" "$(echo "scale=1; $rss / 1024" | bc)"
}

echo "product: $((total / mb)) MB in 4 files, $threads threads"
measure "instpack --threads $threads" "$instpack" product.toml --out-dir "$work/out" --threads "$threads"
measure "instpack --threads 1" "$instpack" product.toml --out-dir "$work/out1" --threads 1
measure "pigz -p $threads -6" sh -c "cat media.bin docs.txt program.exe uninst.exe | pigz -6 -p $threads > '$work/product.gz'"
echo "packed: $(($(wc -c < "$work/out/payload.bin") / mb)) MB payload.bin, $(($(wc -c < "$work/product.gz") / mb)) MB pigz"
cmp -s "$work/out/payload.bin" "$work/out1/payload.bin" && echo "payload.bin identical for $threads and 1 threads"
