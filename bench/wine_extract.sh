#!/usr/bin/env bash
# Times the extraction of finished 64-bit Windows installers under wine64, side by side.
#
#   bench/wine_extract.sh [--reps N] [--work DIR] LABEL=setup.exe [LABEL=setup.exe ...]
#
# Every repetition runs each installer once, in a rotating order, as the Wine end-to-end tests
# do (tests/wine/: Xvfb, one prefix, the harness's player answering the notice and the final
# question): it installs its product into C:\benchfs\Bench, stored beforehand as the data
# directory so that no dialog comes up; C:\benchfs is a fresh ext4 file system where one can be
# mounted (bench/work_fs.sh, as for the native extraction benchmark). The extraction's time is read from the files it wrote, from the birth
# of the first to the last change of the last, so the notice, the wait for running copies and the
# questions around it count for nothing. The page cache is flushed (sync) before each run.
# Prints, one line per installer, tab-separated:
#   LABEL  median_s  min_s  max_s  median_ratio_of_first_to_this
# The products must be the same (same table, same bytes) for the figures to compare.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
reps=5
work=$repo/bench-out/wine
labels=() installers=()
while [ $# -gt 0 ]; do
  case $1 in
    --reps) reps=$2; shift ;;
    --work) work=$2; shift ;;
    *=*) labels+=("${1%%=*}"); installers+=("$(realpath "${1#*=}")") ;;
    *) echo "usage: bench/wine_extract.sh [--reps N] [--work DIR] LABEL=setup.exe..." >&2; exit 2 ;;
  esac
  shift
done
[ ${#installers[@]} -gt 0 ] || { echo "wine_extract: no installer given" >&2; exit 2; }
player=$repo/build/win64/tests/wine/player.exe
[ -f "$player" ] || { echo "wine_extract: $player missing (build the win64 preset)" >&2; exit 1; }

mkdir -p "$work"
state=$work/session
cat > "$work/extract.scn" <<'EOF'
# Written by bench/wine_extract.sh: an installation into C:\benchfs\Bench, found stored.
mkdir C:\benchfs\Bench
profileset bench.ini Options dataDir "C:\benchfs\Bench"
reset C:\benchfs\Bench
timeout 600
expect "Closing Running Copies" press OK
expect "Installation Successful" press No
end
EOF
tests/wine/wine_session.sh start "$state" "$work/prefix" > "$work/session.log" 2>&1
drive_c=$(sed -n 's/^WINEPREFIX=//p' "$state/session.env")/drive_c
trap 'bench/work_fs.sh down "$drive_c/benchfs"; tests/wine/wine_session.sh stop "$state" >/dev/null 2>&1 || true' EXIT
echo "wine_extract: C:\\benchfs is on the $(bench/work_fs.sh up "$drive_c/benchfs" 1024)" >&2
target=$drive_c/benchfs/Bench

# Seconds from the birth of the first file in the target to the last change of any.
span() {
  find "$target" -type f -exec stat -c '%.9W %.9Y' {} + |
    awk 'NR == 1 { first = $1; last = $2 } { if ($1 < first) first = $1; if ($2 > last) last = $2 }
         END { printf "%.4f", last - first }'
}

declare -A times
for ((rep = 0; rep < reps; rep++)); do
  for ((k = 0; k < ${#installers[@]}; k++)); do
    i=$(((k + rep) % ${#installers[@]}))
    sync
    /usr/bin/python3 tests/wine/run_scenario.py "$work/extract.scn" --state-dir "$state" \
      --installer "${installers[$i]}" --player "$player" --out-dir "$work/runs/${labels[$i]}" \
      > "$work/runs.log" 2>&1 || { echo "wine_extract: ${labels[$i]} failed (see $work/runs/${labels[$i]})" >&2; exit 1; }
    times[$i]="${times[$i]:-} $(span)"
    rm -rf "$target"
  done
done

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for ((i = 0; i < ${#installers[@]}; i++)); do
  # Ratios within a repetition: the first installer's time over this one's.
  read -ra mine <<< "${times[$i]}"
  read -ra first <<< "${times[0]}"
  ratios=""
  for ((r = 0; r < reps; r++)); do ratios="$ratios $(awk -v a="${first[$r]}" -v b="${mine[$r]}" 'BEGIN { printf "%.4f", a / b }')"; done
  printf '%s\t%s\t%s\t%s\t%s\n' "${labels[$i]}" "$(median <<< "${times[$i]}")" \
    "$(tr ' ' '\n' <<< "${times[$i]}" | sed '/^$/d' | sort -g | head -1)" \
    "$(tr ' ' '\n' <<< "${times[$i]}" | sed '/^$/d' | sort -g | tail -1)" "$(median <<< "$ratios")"
done
