#!/usr/bin/env bash
# The release files from the builds as they are, made twice: the second run must give the same
# bytes as the first. The first run's files stay in OUT_DIR for the tests of the publisher's path.
#   release_files.sh RELEASE_SCRIPT OUT_DIR
set -euo pipefail
release=$1 out=$2
rm -rf "$out" "$out.again"
"$release" --no-build "$out"
"$release" --no-build "$out.again" >/dev/null
cmp "$out/SHA256SUMS" "$out.again/SHA256SUMS" || { echo "FAIL: a second run made other bytes"; diff "$out/SHA256SUMS" "$out.again/SHA256SUMS"; exit 1; }
rm -rf "$out.again"
echo "PASS: the same bytes from two runs"
