#!/usr/bin/env bash
# Builds the native targets under ThreadSanitizer and runs the tests that extract on several
# threads: extraction's unit tests, the installation's fault tests (both on the fakes' real
# threads) and the console edition end to end (on the POSIX threads of the product's code). Any
# report fails the test that made it, so a clean run means no data race and no lock misuse.
#   scripts/tsan.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j 2
# ThreadSanitizer's shadow memory needs the fixed address layout of older kernels; newer ones
# place programs with more random bits than it allows, so run without address randomisation.
setarch "$(uname -m)" -R ctest --preset native-tsan "$@"
