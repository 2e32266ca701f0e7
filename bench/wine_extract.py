#!/usr/bin/env python3
"""Times Windows-side extraction under Wine: our installers against the installer makensis built for
the same files, and optionally against ours built with the one-thread extraction, side by side in
one prefix.

    wine_extract.py --state-dir DIR --prefix DIR --player PLAYER.exe --ours SETUP64.exe
                    [--ours32 SETUP32.exe] --ini NAME --nsis NSIS-SETUP.exe --files FILES.txt
                    [--one-thread SETUP64.exe] [--last NAME] [--reps N]

makensis's installer is a 32-bit program, so it is compared with our 32-bit installer (--ours32,
the product, run through Wine's 32-bit side); the 64-bit one (--ours) is timed beside them, and
the one-thread build, a 64-bit program, is compared with it.

Each repetition runs every installer once, in a rotating order, into a fresh directory of C:\benchfs,
a freshly made ext4 file system where one can be mounted (bench/work_fs.sh says why). The time taken is that of the files themselves, seen from the Linux side with inotify on
the target directory: from the moment the first file is created to the moment the last one is
closed after writing. So neither installer's start-up, its questions (ours is played by the
player: the notice with its fixed waits, then No to the final question) nor its end counts.
Prints key/value lines: the medians of each and the medians of the per-repetition ratios
(makensis's over each of ours, the one-thread build's over the 64-bit one).

A product that is a folder tree (--last) is watched the same way, on its top folder only: the
first thing created there (a file, or the folder of the first file) starts the time, and NAME, a
file every installer writes at the top after all the others, ends it when it is closed. That the
whole tree arrived is checked once the installer has ended: the files below the target are
counted against FILES.txt, which then lists them all, one path a line.
"""

import argparse
import ctypes
import os
import select
import shutil
import statistics
import struct
import subprocess
import sys
import threading
import time

IN_CLOSE_WRITE = 0x00000008
IN_CREATE = 0x00000100
TARGETS = {"ours": "C:\\benchfs\\ours", "ours32": "C:\\benchfs\\ours32", "one_thread": "C:\\benchfs\\one-thread",
           "nsis": "C:\\benchfs\\nsis"}
# What each ratio compares: (numerator, denominator), each a contender's time.
RATIOS = [("nsis", "ours32"), ("nsis", "ours"), ("one_thread", "ours")]

libc = ctypes.CDLL("libc.so.6", use_errno=True)


class Watcher:
    """Records, on a thread of its own, when files are created in and closed after writing in one
    directory, until `expected` distinct files have been closed, or with `last` until the file of
    that name has."""

    def __init__(self, folder, expected, last=None):
        self.fd = libc.inotify_init1(os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, folder.encode(), IN_CREATE | IN_CLOSE_WRITE) < 0:
            raise OSError(ctypes.get_errno(), "inotify on " + folder)
        self.expected = expected
        self.last = last.encode() if last else None
        self.first_create = None
        self.last_close = None
        self.closed = set()
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.done.is_set():
            ready, _, _ = select.select([self.fd], [], [], 0.2)
            if not ready:
                continue
            now = time.monotonic()
            data = os.read(self.fd, 1 << 16)
            at = 0
            while at < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, at)
                name = data[at + 16:at + 16 + length].rstrip(b"\0")
                at += 16 + length
                if mask & IN_CREATE and self.first_create is None:
                    self.first_create = now
                if mask & IN_CLOSE_WRITE:
                    self.last_close = now
                    self.closed.add(name)
            if self.complete():
                self.done.set()

    def complete(self):
        return self.last in self.closed if self.last else len(self.closed) >= self.expected

    def seconds(self, timeout):
        self.done.wait(timeout)
        self.done.set()
        self.thread.join()
        os.close(self.fd)
        if not self.complete() or self.first_create is None:
            if self.last:
                raise RuntimeError(f"{self.last.decode()}, the file written last, was not written")
            raise RuntimeError(f"only {len(self.closed)} of {self.expected} files were written")
        return self.last_close - self.first_create


def check_tree(target, expected):
    """After a tree's installation: every file of it below the target, and no other but the
    installer's own record of the installation (uninst.dat, in the target itself)."""
    found = sum(len(names) for _, _, names in os.walk(target))
    found -= os.path.isfile(os.path.join(target, "uninst.dat"))
    if found != expected:
        raise RuntimeError(f"{found} files below {target}, not the {expected} of the product")


def unix_path(prefix, windows):
    return os.path.join(prefix, "drive_c", windows[3:].replace("\\", "/"))


def run_ours(args, env, prefix, expected, name):
    """Runs our installer `name` ("ours", "ours32" or "one_thread") into its target, stored as its
    data directory so that no dialog comes up."""
    target = unix_path(prefix, TARGETS[name])
    installer = {"ours": args.ours, "ours32": args.ours32, "one_thread": args.one_thread}[name]
    os.makedirs(target)
    with open(os.path.join(prefix, "drive_c", "windows", args.ini), "w", newline="\r\n") as f:
        f.write(f"[Options]\ndataDir={TARGETS[name]}\n")
    steps = os.path.join(args.state_dir, "bench-steps.txt")
    # What to start travels in the steps file, as the player takes it (tests/wine/player).
    with open(steps, "w", encoding="utf-8", newline="\n") as f:
        f.write("program\tZ:" + os.path.abspath(installer).replace("/", "\\") + "\ncwd\tC:\\\n"
                "ignore\tSetup Progress\nexpect\tClosing Running Copies\npress\tOK\n"
                "expect\tInstallation Successful\npress\tNo\nend\t\n")
    watcher = Watcher(target, expected, args.last)
    # The player's output goes to a file, not a pipe: the Wine processes a fresh prefix starts
    # (winedevice) inherit it and would keep a pipe open long after the player has ended.
    output_path = os.path.join(args.state_dir, "bench-player.txt")
    with open(output_path, "w") as output:
        player = subprocess.run([env["WINE64"], args.player, "--steps", "Z:" + steps.replace("/", "\\"),
                                 "--timeout", "600"], env=env, stdout=output, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL)
    # The player's own report first: when it failed, the files are missing for its reason.
    if player.returncode != 0:
        try:
            watcher.seconds(0)
        except RuntimeError:
            pass
        with open(output_path, encoding="utf-8", errors="replace") as output:
            raise RuntimeError(f"the player failed running {name} ({installer}):\n" + output.read()[-3000:])
    seconds = watcher.seconds(60)
    if args.last:
        check_tree(target, expected)
    return seconds


def run_nsis(args, env, prefix, expected, name):
    target = unix_path(prefix, TARGETS["nsis"])
    os.makedirs(target)
    watcher = Watcher(target, expected, args.last)
    subprocess.run([env["WINE64"], "Z:" + os.path.abspath(args.nsis).replace("/", "\\"), "/S",
                    "/D=" + TARGETS["nsis"]], env=env, check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = watcher.seconds(60)
    if args.last:
        check_tree(target, expected)
    return seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("--state-dir", "--prefix", "--player", "--ours", "--ini", "--nsis", "--files"):
        parser.add_argument(name, required=True)
    parser.add_argument("--ours32")
    parser.add_argument("--one-thread")
    parser.add_argument("--last")
    parser.add_argument("--reps", type=int, default=3)
    args = parser.parse_args()
    with open(args.files) as f:
        expected = sum(1 for line in f if line.strip())
    session = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine", "wine_session.sh")
    subprocess.run([session, "start", args.state_dir, args.prefix], check=True, stdout=subprocess.DEVNULL)
    env = dict(os.environ)
    with open(os.path.join(args.state_dir, "session.env")) as f:
        # A value holding ';' stands in double quotes there, for the shell.
        env.update((key, value.strip('"')) for key, value in (line.rstrip("\n").split("=", 1) for line in f if "=" in line))
    names = (["ours32"] if args.ours32 else []) + ["ours", "nsis"] + (["one_thread"] if args.one_thread else [])
    times = {name: [] for name in names}
    ratios = {pair: [] for pair in RATIOS if pair[0] in names and pair[1] in names}
    benchfs = unix_path(args.prefix, "C:\\benchfs")
    work_fs = os.path.join(os.path.dirname(os.path.abspath(__file__)), "work_fs.sh")
    try:
        kind = subprocess.run([work_fs, "up", benchfs, "1024"], check=True, capture_output=True, text=True).stdout
        print("wine_extract: C:\\benchfs is on the " + kind.strip(), file=sys.stderr)
        for rep in range(args.reps):
            order = names[rep % len(names):] + names[:rep % len(names)]
            taken = {}
            for name in order:
                target = unix_path(args.prefix, TARGETS[name])
                shutil.rmtree(target, ignore_errors=True)
                subprocess.run(["sync"])
                run = run_nsis if name == "nsis" else run_ours
                taken[name] = run(args, env, args.prefix, expected, name)
                times[name].append(taken[name])
                shutil.rmtree(target, ignore_errors=True)
            for numerator, denominator in ratios:
                ratios[(numerator, denominator)].append(taken[numerator] / taken[denominator])
    finally:
        subprocess.run([work_fs, "down", benchfs], stdout=subprocess.DEVNULL)
        subprocess.run([session, "stop", args.state_dir], stdout=subprocess.DEVNULL)
    for name in names:
        print(f"wine_{name}_s {statistics.median(times[name]):.3f}")
    for numerator, denominator in ratios:
        print(f"wine_{numerator}_over_{denominator} {statistics.median(ratios[(numerator, denominator)]):.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
