#!/usr/bin/env bash
# The console edition registers its group with a stand-in Program Manager: the ten commands of
# an installation whose user accepts the Startup group, in order, one connection each.
# Usage: register_with_standin.sh <console installer with offerStartupGroup 1> <progman_standin>
set -euo pipefail
installer=$1 standin=$2
sandbox=$(mktemp -d /tmp/console-progman-XXXXXX)
cleanup() { [ -n "${standin_pid:-}" ] && kill "$standin_pid" 2>/dev/null; rm -rf "$sandbox"; }
trap cleanup EXIT
mkdir -p "$sandbox"/{drives/C/users/ann,config,run,work}

"$standin" --count 10 "$sandbox/run/PROGMAN" > "$sandbox/commands" 2> "$sandbox/standin.err" &
standin_pid=$!
for _ in $(seq 100); do grep -q ready "$sandbox/standin.err" 2>/dev/null && break; sleep 0.05; done

# Enter accepts the proposed directory, "y" answers the notice and the Startup question, "n"
# declines starting the program.
printf '\ny\ny\nn\n' | (cd "$sandbox/work" && env -i PATH="$PATH" HOME="$sandbox" \
  XDG_CONFIG_HOME="$sandbox/config" XDG_RUNTIME_DIR="$sandbox/run" INSTALLER_DRIVES="$sandbox/drives" \
  HOMEDRIVE=C: HOMEPATH='\users\ann' "$installer") > "$sandbox/out" 2>&1
wait "$standin_pid" || true
standin_pid=

dir='C:\users\ann\Tovalin'
expected="[CreateGroup(Tovalin)]
[ShowGroup(Tovalin,5)]
[ReplaceItem(Tovalin)]
[AddItem(\"$dir\\tov32.exe\",Tovalin,,,,,\"$dir\")]
[ReplaceItem(Uninstall)]
[AddItem(\"$dir\\uninst.exe\",Uninstall,,,,,\"$dir\")]
[CreateGroup(Startup)]
[ShowGroup(Startup,5)]
[ReplaceItem(Tovalin)]
[AddItem(\"$dir\\tov32.exe\",Tovalin,,,,,\"$dir\")]"
if [ "$(cat "$sandbox/commands")" != "$expected" ]; then
  echo "FAIL: the stand-in shell received:"; cat "$sandbox/commands"
  echo "--- expected:"; echo "$expected"
  echo "--- installer output:"; cat "$sandbox/out"
  exit 1
fi
grep -qF "[Add To Startup Group]" "$sandbox/out" || { echo "FAIL: no Startup question"; cat "$sandbox/out"; exit 1; }
echo "stand-in shell received the ten commands in order"
