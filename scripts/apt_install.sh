#!/usr/bin/env bash
# Installs the Debian packages it is given, and gets through a package registry that serves a
# half-synced index: some lists of the wrong size, or the two architectures' versions apart.
# Usage: scripts/apt_install.sh PACKAGE...   (as root; scripts/setup.sh calls it through sudo)
#
# 1. apt-get update, up to three tries. When some indexes still cannot be read, it names them and
#    goes on with the lists it has: usually one suite's list for one architecture is missing.
# 2. apt-get install. When apt refuses (a library installed for amd64 at one suite's version while
#    the i386 list only has another suite's, "held broken packages"), it tries once more with the
#    machine's own release pinned (-t <codename>), which makes the main suite's version the
#    candidate for both architectures. Only when that fails too does it stop, with apt's reason.
# On a healthy registry this is one update and one install, exactly as before.
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: scripts/apt_install.sh PACKAGE..." >&2; exit 2; }

update_tries=3
update_pause=10   # seconds between tries: a mirror's sync is what is being waited out
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# The indexes apt could not read, one line each: its "Failed to fetch" lines, without the hashes.
failed_indexes() {
  sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1: \2/p' "$log" | sed 's/ *\[IP: [^]]*\]$//'
}

updated=false
for try in $(seq "$update_tries"); do
  if apt-get update -qq >"$log" 2>&1; then
    updated=true
    break
  fi
  [ "$try" -lt "$update_tries" ] && sleep "$update_pause"
done
if ! $updated; then
  echo "setup: apt-get update could not read every index ($update_tries tries); going on with the lists it has. Not read:"
  failed_indexes | sed 's/^/setup:   /'
  # An update that failed for another reason (no network, a broken sources list) says so here.
  [ -n "$(failed_indexes)" ] || sed 's/^/setup:   /' "$log"
fi

install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"; }

if install "$@" >"$log" 2>&1; then
  exit 0
fi
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -z "$codename" ]; then
  echo "setup: FAIL: apt-get install refused, and /etc/os-release names no release to pin:" >&2
  cat "$log" >&2
  exit 1
fi
reason=$(grep -m1 '^E: ' "$log" || true)
echo "setup: apt-get install refused (${reason:-no reason given}); trying again with the release pinned: apt-get install -t $codename"
if ! install -t "$codename" "$@" >"$log" 2>&1; then
  echo "setup: FAIL: apt-get install -t $codename refused too:" >&2
  cat "$log" >&2
  exit 1
fi
