#!/usr/bin/env python3
"""Checks the layering of the sources (scripts/analyse.sh runs it; docs/architecture.md explains it).

  - each folder includes only the folders listed for it below, and its own;
  - no product file includes anything of tests/ (a test may include any folder);
  - Win32 headers only in files named *_win32 (and in resource scripts, compiled for Windows
    alone), anywhere;
  - POSIX headers only in files named *_posix, in the installer's own folders and the sample
    (the packaging tool, the benchmarks and the tests are built for the build machine alone).
Prints one line per breach and exits with 1 when there is any.
"""

import os
import re
import subprocess
import sys

# Who may include whom: each folder and the folders below it that its files may include.
LAYERS = {
    "driver": ["datadir", "payload", "shell", "platform", "product", "resources"],
    "datadir": ["platform", "product", "resources"],
    "payload": ["platform", "product", "resources"],
    "shell": ["platform", "product", "resources"],
    "platform": [],
    "product": [],
    "resources": [],
    # The packaging tool: the command over the publisher's outputs and signing, over the installer
    # image, over the description, over the common helpers; all of them may use product/.
    "tools/pack": ["tools/pack/outputs", "tools/pack/signing", "tools/pack/image", "tools/pack/description",
                   "tools/pack/common", "product"],
    "tools/pack/outputs": ["tools/pack/image", "tools/pack/description", "tools/pack/common", "product"],
    "tools/pack/signing": ["tools/pack/common"],
    "tools/pack/image": ["tools/pack/description", "tools/pack/common", "product"],
    "tools/pack/description": ["tools/pack/common", "product"],
    "tools/pack/common": ["product"],
    # The benchmarks read a finished installer's data the way the installer does (driver/).
    "bench": ["driver", "payload", "platform", "product", "tools/pack/image", "tools/pack/description"],
    "sample": [],
}
# Folders whose files are compiled into the installer (or are the sample's programs), where the
# platform split by file name holds for POSIX headers too.
PLATFORM_SPLIT = ["driver", "datadir", "payload", "shell", "platform", "product", "resources", "sample"]

WIN32_HEADERS = {"windows.h", "ddeml.h", "winuser.h", "winbase.h", "windef.h", "winreg.h", "shellapi.h",
                 "shlobj.h", "shlwapi.h", "commctrl.h", "objbase.h", "ole2.h", "tchar.h", "io.h",
                 "direct.h", "process.h", "winsock2.h", "ws2tcpip.h"}
POSIX_HEADERS = {"unistd.h", "fcntl.h", "dirent.h", "spawn.h", "poll.h", "strings.h", "pthread.h",
                 "dlfcn.h", "termios.h", "pwd.h", "grp.h", "glob.h", "fnmatch.h", "libgen.h",
                 "syslog.h", "netdb.h", "malloc.h"}
POSIX_PREFIXES = ("sys/", "netinet/", "arpa/")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    """The layer folder a file belongs to, or None for files outside every listed folder."""
    for folder in sorted(LAYERS, key=len, reverse=True):
        if path.startswith(folder + "/"):
            return folder
    return None


def is_test(path):
    stem = os.path.splitext(os.path.basename(path))[0]
    return path.startswith("tests/") or stem.endswith("_test")


def named_for(path, platform):
    return os.path.splitext(os.path.basename(path))[0].endswith("_" + platform)


def breaches(path, text):
    folder = folder_of(path)
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        kind, name = match.groups()
        where = f"{path}:{number}"
        if kind == "<":
            header = name.lower()
            if header in WIN32_HEADERS and not named_for(path, "win32") and not path.endswith(".rc"):
                yield f"{where}: Win32 header <{name}> outside a *_win32 file"
            posix = header in POSIX_HEADERS or header.startswith(POSIX_PREFIXES)
            if (posix and not named_for(path, "posix") and not is_test(path)
                    and folder in PLATFORM_SPLIT):
                yield f"{where}: POSIX header <{name}> outside a *_posix file"
            continue
        if name.startswith("tests/"):
            if not is_test(path):
                yield f"{where}: product file includes {name}"
            continue
        if folder is None or is_test(path):
            continue
        target = folder_of(name)
        if target is not None and target != folder and target not in LAYERS[folder]:
            yield f"{where}: {folder}/ includes {name}, which {folder}/ may not use"


def main():
    root = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True,
                          check=True).stdout.strip()
    os.chdir(root)
    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                           capture_output=True, text=True, check=True).stdout.split()
    sources = [f for f in files if f.endswith((".cpp", ".h", ".rc")) and not f.startswith("third_party/")
               and os.path.isfile(f)]
    found = []
    for path in sorted(sources):
        with open(path, encoding="utf-8", errors="replace") as f:
            found.extend(breaches(path, f.read()))
    for line in found:
        print(line)
    print(f"layers: {len(found)} breaches in {len(sources)} files")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
