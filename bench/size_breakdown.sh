#!/usr/bin/env bash
# Splits a Windows installer's file size by origin, from the linker map of the same link:
#   size_breakdown.sh EXE MAP
# Prints "part<TAB>bytes" lines: the installer's own code and data, zlib, the C runtime and
# start-up code, import stubs, resources, and the rest (PE headers, import and relocation
# tables, section alignment). Sizes are input-section sizes in the sections that take file space.
set -euo pipefail
exe=$1
map=$2
awk -v total="$(stat -c %s "$exe")" '
  function part(file) {
    if (file ~ /libz\.a|zlib/) return "zlib (inflate)"
    if (file ~ /installer_|main_win32|payload_table|driver|payload|datadir|shell|platform/) return "installer code and tables"
    if (file ~ /lib(kernel32|user32|msvcrt|gdi32|advapi32|shell32)\.a|dll/) return "import stubs"
    if (file ~ /\.res$|\.rc/) return "resources"
    return "C runtime and start-up"
  }
  # The input sections that --gc-sections dropped are listed first, before the memory map: they
  # take no space.
  /^Linker script and memory map/ { mapped = 1; next }
  !mapped { next }
  # An input section is " .name  0xADDR  0xSIZE  file", or its name alone on one line and the
  # rest on the next.
  /^ \.[A-Za-z_.$0-9]+ +0x[0-9a-f]+ +0x[0-9a-f]+ / { name = $1; size = $3; file = $4; record(); next }
  /^ \.[A-Za-z_.$0-9]+$/ { pending = $1; next }
  pending != "" && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ / { name = pending; size = $2; file = $3; pending = ""; record(); next }
  { pending = "" }
  function hex(s,   i, v) { v = 0; s = tolower(substr(s, 3)); for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return v }
  function record() {
    if (name ~ /^\.(bss|debug|stab|comment|note|gnu)/ || name ~ /^\.(bss|debug)/) return
    if (file ~ /\(\.bss|COMMON/) return
    if (name !~ /^\.(text|data|rdata|eh_frame|CRT|tls|idata|rsrc|ctors|dtors|pdata|xdata)/) return
    bytes = hex(size)
    if (name ~ /^\.idata/) { sum["import tables"] += bytes; counted += bytes; return }
    if (name ~ /^\.rsrc/) { sum["resources"] += bytes; counted += bytes; return }
    if (name ~ /^\.eh_frame/) { sum["unwind tables (.eh_frame)"] += bytes; counted += bytes; return }
    sum[part(file)] += bytes
    counted += bytes
  }
  END {
    for (p in sum) printf "%s\t%d\n", p, sum[p]
    printf "PE headers, relocations, alignment\t%d\n", total - counted
    printf "total\t%d\n", total
  }' "$map" | sort -t$'\t' -k2,2nr
