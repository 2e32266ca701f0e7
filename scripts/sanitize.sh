#!/usr/bin/env bash
# Builds every native target (installer logic, console edition, packaging tool and their tests)
# under AddressSanitizer and UndefinedBehaviorSanitizer, and runs the native tests there. Any
# report ends the test that made it, so a clean run means no sanitizer finding.
#   scripts/sanitize.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j 2
ctest --preset native-asan "$@"
