#!/usr/bin/env bash
# The main job: installs what is needed, builds everything, packages the bundled sample product
# into its three installers, and runs the console edition once in a sandbox folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

echo
echo "Installers:"
ls -l build/win32/sample/tovalin-setup.exe build/win64/sample/tovalin-setup.exe build/native/sample/tovalin-setup

# The console edition keeps its drives, home and profile inside the sandbox, never in yours.
demo=build/demo
rm -rf "$demo" && mkdir -p "$demo"/{drives/C/users/demo,home,config}
demo=$(cd "$demo" && pwd)
echo
echo "Running the console edition (every prompt answered with Enter: accept, OK, No):"
(cd "$demo" && printf '\n%.0s' {1..100} | env HOME="$demo/home" XDG_CONFIG_HOME="$demo/config" \
  INSTALLER_DRIVES="$demo/drives" HOMEDRIVE=C: HOMEPATH='\users\demo' "$OLDPWD/build/native/sample/tovalin-setup")
echo
echo "Installed files:"
find "$demo/drives" -type f | sort
