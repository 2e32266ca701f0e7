#!/usr/bin/env bash
# Installs every Debian package that the builds, tests and benchmarks need, and makes 32-bit
# Windows programs runnable under Wine (idempotent: a second run changes nothing and says so).
set -euo pipefail

packages=(
  # builds
  cmake ninja-build g++ pkg-config zlib1g-dev libtomlplusplus-dev libcli11-dev libgtest-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  # end-to-end tests under Wine, screenshots: wine64 runs the 64-bit installer and the test
  # programs, wine32 the 32-bit installer (the product); fonts-wine draws the title-bar glyphs,
  # DejaVu and WenQuanYi the Greek, Cyrillic and Chinese of the scenarios' names
  wine64 wine32:i386 fonts-wine fonts-dejavu-core fonts-wqy-microhei xvfb imagemagick x11-utils
  # signing (instpack checks the material with libcrypto and signs with osslsigncode; the tests
  # make a throwaway authority with openssl) and reading resources back (icoutils' wrestool)
  libssl-dev osslsigncode openssl icoutils
  # the release files: the Debian package's dependencies (dpkg-shlibdeps) and its check; the
  # tests of the publisher's path unpack the Windows archive and open the manual page
  dpkg-dev lintian unzip man-db
  # the test of the package manager's manifests reads them back with a YAML parser
  python3-yaml
  # benchmarks and analysers
  pigz nsis clang libclang-rt-14-dev clang-tidy cppcheck hyperfine
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
did_something=false

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# The update and the install, through a registry that may be half-synced (scripts/apt_install.sh).
install_packages() {
  echo "setup: installing $*"
  "${sudo_cmd[@]}" "$(dirname "$0")/apt_install.sh" "$@"
  did_something=true
}

# wine32 is an i386 package, installable beside the amd64 ones once dpkg knows the architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture to dpkg (for wine32)"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  did_something=true
fi

missing=()
for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
[ ${#missing[@]} -eq 0 ] || install_packages "${missing[@]}"

# Wine's 32-bit loader is an i386 Linux program. Some kernels run those themselves; others refuse
# them ("Exec format error"), and then qemu's user-mode emulator can run them through binfmt_misc.
# A 96-byte i386 program that exits with status 42 tells which kind of kernel this is.
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00'\
'\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"  # mov eax,1; mov ebx,42; int 0x80
chmod +x "$probe"
runs_32bit() { local status=0; "$probe" 2>/dev/null || status=$?; [ "$status" -eq 42 ]; }

binfmt=/proc/sys/fs/binfmt_misc
if runs_32bit; then
  [ -e "$binfmt/qemu-i386" ] && via="through qemu-i386 (binfmt_misc)" || via="natively"
  $did_something || echo "setup: nothing to install; 32-bit programs run $via"
else
  echo "setup: this kernel does not run 32-bit x86 programs; registering qemu-i386 with binfmt_misc"
  installed qemu-user-static || install_packages qemu-user-static
  if [ ! -e "$binfmt/register" ]; then
    "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  if [ -e "$binfmt/qemu-i386" ]; then
    # Registered already (by an earlier run or by the system) but switched off: switch it on
    # rather than register a second entry.
    echo 1 | "${sudo_cmd[@]}" tee "$binfmt/qemu-i386" >/dev/null
  else
    # qemu's own magic and mask for i386 ELF programs; F opens the emulator now, so it works
    # inside other mount namespaces (Wine's, a chroot's) too.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null
  fi
  runs_32bit || { echo "setup: FAIL: 32-bit programs still do not run after registering qemu-i386" >&2; exit 1; }
  echo "setup: 32-bit programs now run through qemu-i386 (slowly: Wine's 32-bit processes take about a minute each to start)"
fi
