#!/usr/bin/env bash
# Runs the whole test suite: unit tests, the console edition end to end, and the Windows
# installer end to end under wine64 and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
ctest --preset native --output-on-failure "$@"
