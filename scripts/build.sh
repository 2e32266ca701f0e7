#!/usr/bin/env bash
# Configures and builds the three builds: native (console edition, tools, tests), win32 (the
# product) and win64 (the same sources, run under wine64 in tests).
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
