#!/usr/bin/env bash
# scripts/apt_install.sh against a stand-in apt-get on PATH that plays a healthy registry and a
# half-synced one: which calls it makes, what it says, and how it ends.
# Usage: tests/scripts/apt_install_test.sh path/to/scripts/apt_install.sh
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")

# The stand-ins: apt-get answers each call with the next status of its verb's list (update or
# install) and records its arguments; sleep records its pause instead of pausing.
mkdir -p "$work/bin"
cat > "$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
verb=update
for a in "$@"; do [ "$a" = install ] && verb=install; done
echo "apt-get $*" >> "$FAKE_APT_CALLS"
n=$(grep -c "^apt-get .*$verb" "$FAKE_APT_CALLS")
[ "$verb" = update ] && statuses=$FAKE_APT_UPDATE || statuses=$FAKE_APT_INSTALL
status=$(echo "$statuses" | cut -d' ' -f"$n")
if [ "${status:-0}" != 0 ]; then
  if [ "$verb" = update ]; then
    echo "E: Failed to fetch http://mirror.test/debian-security/dists/$FAKE_CODENAME-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  else
    echo "E: Unable to correct problems, you have held broken packages (call $n)." >&2
  fi
fi
exit "${status:-0}"
STANDIN
printf '#!/bin/sh\necho "sleep $*" >> "$FAKE_APT_CALLS"\n' > "$work/bin/sleep"
chmod +x "$work/bin/apt-get" "$work/bin/sleep"

failures=0
# name | update statuses | install statuses | expected exit | expected calls, in order (> between)
# | words the output must hold (; between)
while IFS='|' read -r name updates installs want_exit want_calls want_output; do
  [ -n "$name" ] || continue
  : > "$work/calls"
  status=0
  PATH="$work/bin:$PATH" FAKE_APT_CALLS=$work/calls FAKE_APT_UPDATE=$updates FAKE_APT_INSTALL=$installs \
    FAKE_CODENAME=$codename "$script" pkg-a pkg-b:i386 > "$work/out" 2>&1 || status=$?
  got_calls=$(sed -e 's/apt-get update -qq/update/' \
    -e 's/apt-get install -y -qq --no-install-recommends /install /' "$work/calls" | sed ':a;N;$!ba;s/\n/ > /g')
  want_calls=${want_calls//<codename>/$codename}
  problem=""
  [ "$status" = "$want_exit" ] || problem="exit $status, not $want_exit"
  [ "$got_calls" = "$want_calls" ] || problem="$problem; calls [$got_calls], not [$want_calls]"
  IFS=';' read -ra words <<< "${want_output//<codename>/$codename}"
  for w in "${words[@]}"; do
    [ -z "$w" ] || grep -qF -- "$w" "$work/out" || problem="$problem; no \"$w\" in the output"
  done
  if [ "$name" = healthy ] && [ -s "$work/out" ]; then problem="$problem; a healthy registry printed something"; fi
  if [ -n "$problem" ]; then
    echo "FAIL $name: ${problem#; }"; sed 's/^/  | /' "$work/out"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
done <<'CASES'
healthy|0|0|0|update > install pkg-a pkg-b:i386|
update fails once, then reads everything|100 0|0|0|update > sleep 10 > update > install pkg-a pkg-b:i386|
half-synced: an index never read, the first install refused|100 100 100|100 0|0|update > sleep 10 > update > sleep 10 > update > install pkg-a pkg-b:i386 > install -t <codename> pkg-a pkg-b:i386|could not read every index;binary-i386/Packages.xz: File has unexpected size;trying again with the release pinned: apt-get install -t <codename>
both installs refused|100 100 100|100 100|1|update > sleep 10 > update > sleep 10 > update > install pkg-a pkg-b:i386 > install -t <codename> pkg-a pkg-b:i386|FAIL: apt-get install -t <codename> refused too;held broken packages (call 2)
CASES
[ "$failures" = 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "every case passed"
