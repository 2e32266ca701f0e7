#!/usr/bin/env bash
# Checks that the benchmark corpus is what BENCHMARKS.md says it is: the same bytes on every
# run, the composition of the 100 MB product, a product description the installer accepts, and
# scaled products that vary repeated files without changing their sizes.
#   corpus_test.sh MAKE_CORPUS WORK_DIR
set -euo pipefail
make_corpus=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
passes=0
failures=0
check() {  # description, condition...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passes=$((passes + 1))
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
differ() { ! cmp -s "$1" "$2"; }
digest() { (cd "$1" && cat $(cat files.txt) product.toml | sha256sum); }
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

"$make_corpus" "$work/a" > "$work/a.txt"
"$make_corpus" "$work/b" > "$work/b.txt"
check "two runs write the same bytes" [ "$(digest "$work/a")" = "$(digest "$work/b")" ]

summary=$work/a.txt
files=$(awk '$1 == "files" { print $2 }' "$summary")
bytes=$(awk '$1 == "bytes" { print $2 }' "$summary")
check "about 300 files ($files)" in_range "$files" 280 320
check "about 100 MB ($bytes)" in_range "$bytes" 97000000 103000000
for kind in text "native code" random; do
  share=$(grep "^kind $kind:" "$summary" | sed 's/.*(\(.*\) %)/\1/')
  want=$([ "$kind" = random ] && echo 20 || echo 40)
  check "$kind is about $want % ($share %)" in_range "$share" $((want - 2)) $((want + 2))
done
small=$(find "$work/a" -type f -name '*.*' ! -name product.toml ! -name files.txt -size -30000c | wc -l)
large=$(find "$work/a" -type f -size +3000000c | wc -l)
check "a few files under 30,000 bytes ($small)" in_range "$small" 3 10
check "one file over 3 MB ($large)" [ "$large" -eq 1 ]
check "the listed sizes add up" [ "$(cd "$work/a" && cat $(cat files.txt) | wc -c)" -eq "$bytes" ]
check "program.exe first, uninst.exe last" \
  [ "$(head -1 "$work/a/files.txt")/$(tail -1 "$work/a/files.txt")" = "program.exe/uninst.exe" ]
check "the description lists every file" \
  [ "$(grep -c '^  "' "$work/a/product.toml")" -eq "$files" ]

"$make_corpus" "$work/small" --megabytes 8 > /dev/null
check "a small product keeps the main program and the uninstaller" \
  grep -qx uninst.exe "$work/small/files.txt"
"$make_corpus" "$work/big" --megabytes 120 > /dev/null
copy=$(grep -m1 '^c1_' "$work/big/files.txt")
original=${copy#c1_}
check "a repeated file has its original's size" \
  [ "$(stat -c %s "$work/big/$copy")" -eq "$(stat -c %s "$work/big/$original")" ]
check "a repeated file differs from its original" differ "$work/big/$copy" "$work/big/$original"

rm -rf "$work"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
