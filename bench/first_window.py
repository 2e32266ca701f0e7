#!/usr/bin/env python3
"""Times how long after its start an installer under Wine shows its first window, its file's pages
dropped from the page cache before each start.

    first_window.py --state-dir DIR --prefix DIR --contender NAME=PATH ... [--reps N]
                    [--screenshot PATH --player PLAYER.exe --out-dir DIR]

Each contender is an installer: a 32-bit one is started with Wine's 32-bit loader, as Wine starts
a 32-bit program that another one (the shell) starts, a 64-bit one with wine64. (`wine64
setup32.exe` would map the 32-bit image once in a 64-bit process before starting the 32-bit
loader, which maps it again.) Each repetition starts every contender once, in a rotating order,
with no profile and no default directory, so that its product's first window is the directory
dialog. The time runs from just before the loader is started to the moment a new window is mapped
on the X display (Xlib, polled every 2 ms); the run goes on until a window other than the damage
check's "Verifying Setup" appears, whose time is taken too, and the installer is then killed.

Cold cache: before each start the installer file (and its data files) is flushed (fdatasync) and its pages dropped
with posix_fadvise(POSIX_FADV_DONTNEED), which leaves every other file's pages alone; the pages
still resident afterwards are counted with mincore and printed. /proc/sys/vm/drop_caches would
drop every file's pages on the machine, Wine's own DLLs included, which the user's machine has in
memory anyway.

With --screenshot, first plays tests/wine/run_scenario.py's scenario bench/verifying_setup.scn
against that installer, cold, to take the picture of the verification window.
Prints key/value lines: per contender the median time to the first window and to the product's
first window, and the captions seen.
"""

import argparse
import ctypes
import glob
import mmap
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SESSION = os.path.join(HERE, "..", "tests", "wine", "wine_session.sh")
VERIFYING = b"Verifying Setup"
# An installer that shows no window in this time has failed. Generous: where the kernel does not
# run 32-bit programs, qemu starts a 32-bit Wine process in about a minute, the first window of a
# 1 GiB product included.
GIVE_UP_SECONDS = 600

libc = ctypes.CDLL("libc.so.6", use_errno=True)
libc.mmap.restype = ctypes.c_void_p
libc.mmap.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_long]
libc.mincore.argtypes = [ctypes.c_void_p, ctypes.c_size_t, ctypes.c_char_p]
libc.munmap.argtypes = [ctypes.c_void_p, ctypes.c_size_t]


class Display:
    """The top-level windows mapped on an X display, through Xlib."""

    class Attributes(ctypes.Structure):
        _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                    ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                    ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                    ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                    ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                    ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                    ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                    ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                    ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]

    IS_VIEWABLE = 2
    ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    def __init__(self, name):
        x = self.x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(self.Attributes)]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.argtypes = [self.ERROR_HANDLER]
        # A window may be destroyed between listing it and asking about it.
        self.ignore = self.ERROR_HANDLER(lambda display, event: 0)
        x.XSetErrorHandler(self.ignore)
        self.display = x.XOpenDisplay(name.encode())
        if not self.display:
            raise RuntimeError("cannot open display " + name)
        self.root = x.XDefaultRootWindow(self.display)

    def mapped(self):
        """The viewable top-level windows larger than a pixel (Wine's hidden helper windows are 1x1)."""
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        self.x.XQueryTree(self.display, self.root, ctypes.byref(root), ctypes.byref(parent),
                          ctypes.byref(children), ctypes.byref(count))
        found = set()
        for i in range(count.value):
            attributes = self.Attributes()
            if (self.x.XGetWindowAttributes(self.display, children[i], ctypes.byref(attributes))
                    and attributes.map_state == self.IS_VIEWABLE and attributes.width > 1):
                found.add(children[i])
        if children:
            self.x.XFree(children)
        return found

    def title(self, window):
        name = ctypes.c_char_p()
        self.x.XFetchName(self.display, window, ctypes.byref(name))
        return name.value or b""


def drop_pages(path):
    """Flushes the file and drops its pages from the page cache; returns how many stay resident."""
    fd = os.open(path, os.O_RDONLY)
    try:
        os.fdatasync(fd)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        size = os.fstat(fd).st_size
        pages = (size + mmap.PAGESIZE - 1) // mmap.PAGESIZE
        address = libc.mmap(None, size, mmap.PROT_READ, mmap.MAP_SHARED, fd, 0)
        vector = ctypes.create_string_buffer(pages)
        libc.mincore(address, size, vector)
        libc.munmap(address, size)
        return sum(b & 1 for b in vector.raw)
    finally:
        os.close(fd)


def is_32bit(path):
    with open(path, "rb") as f:
        header = f.read(4096)
    pe = struct.unpack_from("<I", header, 0x3C)[0]
    return header[pe:pe + 6] == b"PE\0\0\x4c\x01"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def clear_product(prefix, group, ini):
    """Removes what would let the installer skip its directory dialog: the product's profile in
    C:\\windows and its two default directories."""
    for path in (os.path.join(prefix, "drive_c", "windows", ini),
                 os.path.join(prefix, "drive_c", "Program Files", group)):
        if os.path.isdir(path):
            shutil.rmtree(path)
        elif os.path.exists(path):
            os.remove(path)
    users = os.path.join(prefix, "drive_c", "users")
    for user in os.listdir(users) if os.path.isdir(users) else []:
        shutil.rmtree(os.path.join(users, user, group), ignore_errors=True)


def time_one(display, env, loader, installer):
    """Starts the installer; returns the seconds to its first window, its caption, and the seconds
    to its first window other than the verification window."""
    before = display.mapped()
    started = time.monotonic()
    program = subprocess.Popen([loader, windows_path(installer)], env=env, cwd="/", stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    first = first_title = product = None
    try:
        while product is None:
            now = time.monotonic()
            if now - started > GIVE_UP_SECONDS or program.poll() is not None:
                raise RuntimeError(f"{installer}: no window (first: {first_title})")
            for window in display.mapped() - before:
                title = display.title(window)
                if first is None:
                    first, first_title = now - started, title
                if title != VERIFYING:
                    product = now - started
            time.sleep(0.002)
    finally:
        program.kill()
        program.wait()
    # Wine's server ends the process's windows; wait until they are gone from the display.
    for _ in range(500):
        if not display.mapped() - before:
            break
        time.sleep(0.01)
    return first, first_title.decode("latin-1"), product


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state-dir", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--contender", action="append", required=True,
                        help="NAME=INSTALLER=GROUP=INI: its name, its file, its product's groupName and iniFileName")
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--screenshot", help="the installer whose verification window is pictured")
    parser.add_argument("--player")
    parser.add_argument("--out-dir")
    args = parser.parse_args()
    contenders = []
    for entry in args.contender:
        name, installer, group, ini = entry.split("=", 3)
        contenders.append((name, installer, group, ini))

    subprocess.run([SESSION, "start", args.state_dir, args.prefix], check=True, stdout=subprocess.DEVNULL)
    env = dict(os.environ)
    with open(os.path.join(args.state_dir, "session.env")) as f:
        env.update(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    loader64 = env["WINE64"]
    loader32 = os.path.join(os.path.dirname(loader64), "wine")
    try:
        display = Display(env["DISPLAY"])
        if args.screenshot:
            # First, on the fresh display: nothing of an earlier window is left on it.
            name, installer, group, ini = next(c for c in contenders if c[1] == args.screenshot)
            clear_product(args.prefix, group, ini)
            drop_pages(installer)
            played = subprocess.run([sys.executable, os.path.join(HERE, "..", "tests", "wine", "run_scenario.py"),
                                     os.path.join(HERE, "verifying_setup.scn"), "--state-dir", args.state_dir,
                                     "--installer", installer, "--player", args.player, "--out-dir", args.out_dir],
                                    capture_output=True, text=True)
            picture = os.path.join(args.out_dir, "screenshots", "verifying-setup.png")
            shown = played.returncode == 0 and os.path.isfile(picture)
            print(f"verification_window_pictured {'yes' if shown else 'no'}")
            if not shown:
                print(played.stdout[-3000:], file=sys.stderr)
        times = {name: [] for name, _, _, _ in contenders}
        products = {name: [] for name, _, _, _ in contenders}
        titles = {name: set() for name, _, _, _ in contenders}
        for rep in range(args.reps):
            order = contenders[rep % len(contenders):] + contenders[:rep % len(contenders)]
            for name, installer, group, ini in order:
                clear_product(args.prefix, group, ini)
                # Its data files too, when it has them (<name>-1.bin ... beside it).
                stem = os.path.splitext(installer)[0]
                resident = sum(drop_pages(path) for path in [installer] + sorted(glob.glob(glob.escape(stem) + "-*.bin")))
                if resident:
                    print(f"first_window: {resident} pages of {installer} stayed resident", file=sys.stderr)
                loader = loader32 if is_32bit(installer) else loader64
                first, title, product = time_one(display, env, loader, installer)
                times[name].append(first)
                products[name].append(product)
                titles[name].add(title)
                print(f"first_window: {name} rep {rep + 1}: {first:.3f} s ({title}), the product's {product:.3f} s",
                      file=sys.stderr)
    finally:
        subprocess.run([SESSION, "stop", args.state_dir], stdout=subprocess.DEVNULL)
    for name, _, _, _ in contenders:
        print(f"first_window_{name}_s {statistics.median(times[name]):.3f}")
        print(f"product_window_{name}_s {statistics.median(products[name]):.3f}")
        print(f"first_window_{name}_titles {'; '.join(sorted(titles[name]))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
