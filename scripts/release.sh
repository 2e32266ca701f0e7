#!/usr/bin/env bash
# Makes the release files from this checkout, in one folder (default build/release):
#   instpack-<version>-linux-x86_64.tar.gz, instpack_<version>_amd64.deb,
#   instpack-<version>-windows.zip, instpack-<version>-setup.exe (instpack for Windows in our own
#   installer, made by instpack from release/instpack-setup.toml.in), and SHA256SUMS naming them.
# Installs what the builds need, builds the three presets, and has CPack make the three files
# from one install layout (cmake/Release.cmake); the Debian package must pass lintian. The same
# checkout gives the same bytes, from any clone and on every run: the archives' times are the
# last commit's, and the zip's (which stores local times) are taken in UTC.
#   scripts/release.sh [--no-build] [OUT_DIR]
# INSTPACK_RELEASE_SIGNING, when set, holds instpack's signing options for the setup program (such
# as "--pkcs12 publisher.p12 --password-file password.txt"; instpack --help lists them).
# --no-build takes the three builds as they are (the test suite makes the files so, after
# scripts/build.sh).
set -euo pipefail
build=true
[ "${1:-}" != --no-build ] || { build=false; shift; }
out=$(realpath -m "${1:-build/release}")
cd "$(dirname "$0")/.."

if $build; then
  scripts/setup.sh
  scripts/build.sh
fi

# Outside a git checkout, the time of the changelog's latest entry.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null ||
                    date -d "$(sed -n 's/^ -- .*>  //p' release/changelog | head -1)" +%s)
export SOURCE_DATE_EPOCH TZ=UTC
version=$(build/native/tools/pack/instpack --version)
version=${version#instpack }

# Each step makes release files in build/native/release-files and adds their names to the list.
# The archives and the Debian package, made afresh, from one install layout:
rm -rf build/native/release-files
(cd build/native && cpack --config CPackConfig.cmake >cpack.log) || { cat build/native/cpack.log; exit 1; }
files=(instpack-"$version"-linux-x86_64.tar.gz instpack_"$version"_amd64.deb instpack-"$version"-windows.zip)

# Nothing that lintian calls an error or a warning; what it says is kept in build/native/lintian.log.
deb=build/native/release-files/instpack_"$version"_amd64.deb
if ! lintian --fail-on error,warning "$deb" >build/native/lintian.log 2>&1; then
  cat build/native/lintian.log
  echo "release: lintian finds errors or warnings in $deb" >&2
  exit 1
fi

# instpack for Windows in its own installer: the Windows archive's files, installed into one folder
# by the 64-bit installer that instpack makes of them, with its generic uninstaller.
setup_dir=build/native/release-setup
rm -rf "$setup_dir" && mkdir -p "$setup_dir"
unzip -q build/native/release-files/instpack-"$version"-windows.zip -d "$setup_dir"
sed "s/@VERSION@/$version/g" release/instpack-setup.toml.in >"$setup_dir"/instpack-setup.toml
read -r -a signing <<<"${INSTPACK_RELEASE_SIGNING:-}"
programs=$setup_dir/instpack-$version-windows/share/instpack
build/native/tools/pack/instpack "$setup_dir"/instpack-setup.toml --target win64 \
  --stub "$programs"/installer-win64.exe --uninstaller-stub "$programs"/uninstaller-win64.exe \
  -o build/native/release-files/instpack-"$version"-setup.exe "${signing[@]}"
files+=(instpack-"$version"-setup.exe)

# Every file made, with its checksum, into the one folder.
mkdir -p "$out"
for file in "${files[@]}"; do cp build/native/release-files/"$file" "$out"/; done
(cd "$out" && sha256sum "${files[@]}" >SHA256SUMS && cat SHA256SUMS)
