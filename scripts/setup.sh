#!/usr/bin/env bash
# Installs every Debian package that the builds, tests and benchmarks need (idempotent).
set -euo pipefail

packages=(
  # builds
  cmake ninja-build g++ pkg-config zlib1g-dev libtomlplusplus-dev libcli11-dev libgtest-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  # end-to-end tests under Wine, screenshots
  wine64 xvfb imagemagick x11-utils
  # benchmarks and analysers
  pigz nsis clang libclang-rt-14-dev clang-tidy cppcheck hyperfine
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
