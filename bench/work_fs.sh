#!/usr/bin/env bash
# Puts a freshly made ext4 file system, with a journal as a user's disk has, on the folder the
# extraction benchmarks write into, and takes it away again.
#
#   bench/work_fs.sh up DIR [MB]   mounts a new image DIR.img of MB megabytes (default 2048,
#                                  sparse) on DIR; prints "fresh ext4", or, where mounting is not
#                                  allowed (no root, no loop devices), "repository file system"
#                                  and leaves DIR a plain folder
#   bench/work_fs.sh down DIR      unmounts DIR and removes its image
#
# Why: this machine's root file system is ext4 without a journal, and there creating a file first
# skips, one buffer-cache lookup each, every inode of its block group deleted in the last minutes
# (ext4's recently_deleted). After a build or a test run in the repository, 299 empty files took
# 0.21 s to create there against 0.006 s on a fresh file system: a cost of the machine's churn,
# paid by the writing thread of every contender alike, that no user installing meets.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: bench/work_fs.sh up DIR [MB] | down DIR" >&2; exit 2; }
dir=$2
case $1 in
  up)
    "$0" down "$dir"
    mkdir -p "$dir"
    truncate -s "${3:-2048}M" "$dir.img"
    if mkfs.ext4 -q -F "$dir.img" > /dev/null 2>&1 && mount -o loop "$dir.img" "$dir" 2> /dev/null; then
      echo "fresh ext4"
    else
      rm -f "$dir.img"
      echo "repository file system"
    fi
    ;;
  down)
    if mountpoint -q "$dir" 2> /dev/null; then umount "$dir"; fi
    rm -f "$dir.img"
    ;;
  *) echo "usage: bench/work_fs.sh up DIR [MB] | down DIR" >&2; exit 2 ;;
esac
