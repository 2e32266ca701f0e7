#!/usr/bin/env python3
"""Runs one end-to-end scenario of a Windows installer under Wine and checks its outcome.

The scenario file (tests/wine/scenarios/*.scn) says what to prepare in the prefix, what the user
sees and does (played by player.exe inside Wine), and what must be on disk afterwards; see
docs/wine-harness.md for its format. The Wine session (Xvfb display, booted prefix) comes from
<state dir>/session.env, written by wine_session.sh. Exit status 0 means the scenario passed.
"""

import argparse
import filecmp
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import time
import zlib

# Windows that may come and go without a scenario naming them: the progress window, and the
# window of the installer's damage check, which comes up only when checking takes longer than a
# moment (a large product, a slow disk).
OPTIONAL_WINDOWS = ["Setup Progress", "Verifying Setup"]
# Steps that act on or check the window named by the last expect.
WINDOW_STEPS = ["text", "textline", "button", "icon", "edit", "type", "press", "key", "closebox",
                "screenshot"]
# Window steps that take no argument.
BARE_STEPS = ["closebox"]
CHECKS = ["file", "tree", "absent", "empty", "directory", "closed", "profile", "profilelacks", "startmenu", "nostartmenu",
          "startmenuholds", "shortcut", "running", "notrunning", "registry", "registryholds", "noregistry",
          "registrysize"]
# Preparation statements, carried out in order before the installer starts.
SETUP = ["mkdir", "put", "copy", "extract", "profileset", "registryset", "launch", "smalldrive"]
# Statements that say how the run they belong to (the first, or the one since the last rerun)
# starts its program and how that program must end.
RUN_SETTINGS = ["program", "arguments", "exitcode", "alongside", "exitcodes", "token"]
# The longest a program started by `launch` may take to show its window: a 32-bit program under
# user-mode emulation takes about a minute to start.
LAUNCH_WINDOW_SECONDS = 240
# What a run's time limit gains when the program under test is a 32-bit one that this machine
# runs only through emulation (each 32-bit process start then costs about a minute): room for the
# installer and for one program it starts.
EMULATED_START_ALLOWANCE_SECONDS = 150
# Wine's debug channels of the discovery pass of `plantdlls`: every DLL a process loads, each
# line starting with the process's id.
DISCOVERY_DEBUG = "-all,+pid,+loaddll"
# What `plantdlls` never plants: Windows' known DLLs, the values of HKLM\SYSTEM\CurrentControlSet\
# Control\Session Manager\KnownDLLs on Windows 10 and 11, and ntdll and kernelbase, which every one
# of them stands on. Windows takes a known DLL and the DLLs it depends on from the system folder
# without searching ("Dynamic-link library search order", Microsoft's documentation); Wine has no
# such list and would load a planted kernel32.dll from the program's folder before the program
# runs, which is no fault of the program's and cannot happen on Windows.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll",
    "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
    "ntdll.dll", "kernelbase.dll",
}


class ScenarioError(Exception):
    pass


class ScenarioCannotRun(Exception):
    """This machine lacks a means the scenario needs (for example the right to mount); the test
    is reported as skipped, with the reason, never as passed."""


# The exit status CTest is told means "skipped".
SKIP_STATUS = 77


class Scenario:
    def __init__(self):
        self.installer = "default"  # default, damaged, or the path of another installer
        self.cwd = "C:\\"
        self.timeout = 60
        self.setup = []     # (line number, words)
        self.runs = [[]]    # the player's steps, (step name, argument), one list per run
        # Per run: "program" (None: the installer; a path; or ("shortcut", item)), "arguments"
        # (the command line after the program's name) and "exitcode", when the scenario says.
        self.run_settings = [{}]
        self.checks = []    # (line number, words)
        self.resets = []
        self.optional = list(OPTIONAL_WINDOWS)
        self.outcome = "pass"  # what the player must report: pass, or fail or timeout in its own tests
        self.logged = []    # texts that some line of the player's log must contain
        self.dll_overrides = []  # WINEDLLOVERRIDES entries for the installer, before the session's
        self.environment = []    # (name, value): variables every run's program gets
        self.no_shell = False    # the desktop shell ends before the runs and is not started again
        self.unelevated = False  # every run's program runs with the limited token, not elevated
        self.keep_shell_windows = False  # the shell's folder windows stay open from run to run
        # plantdlls: the planted DLL and the Windows folders it is planted in, or None.
        self.plant = None


def split_line(line):
    """Splits a scenario line into words: double or single quotes group (one kind may hold the
    other), backslashes are plain characters."""
    lexer = shlex.shlex(line, posix=True)
    lexer.whitespace_split = True
    lexer.escape = ""
    lexer.commenters = "#"
    lexer.quotes = '"\''
    return list(lexer)


def parse_scenario(path, variables):
    scenario = Scenario()
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, raw in enumerate(lines, 1):
        try:
            words = [expand(w, variables) for w in split_line(raw)]
        except ValueError as error:
            raise ScenarioError(f"{path}:{number}: {error}")
        if not words:
            continue
        keyword = words[0]
        where = f"{path}:{number}"
        if keyword == "installer":
            scenario.installer = one_argument(words, where)
        elif keyword == "cwd":
            scenario.cwd = one_argument(words, where)
        elif keyword == "timeout":
            scenario.timeout = int(one_argument(words, where))
        elif keyword == "reset":
            scenario.resets.append(one_argument(words, where))
        elif keyword == "outcome":
            scenario.outcome = one_argument(words, where)
        elif keyword == "logged":
            scenario.logged.append(one_argument(words, where))
        elif keyword == "optional":
            scenario.optional.append(one_argument(words, where))
        elif keyword == "dlloverride":
            scenario.dll_overrides.append(one_argument(words, where))
        elif keyword == "environment":
            if len(words) != 3:
                raise ScenarioError(f"{where}: environment NAME VALUE")
            scenario.environment.append((words[1], words[2]))
        elif keyword == "unelevated":
            if len(words) != 1:
                raise ScenarioError(f"{where}: unelevated takes no argument")
            scenario.unelevated = True
        elif keyword == "keepshellwindows":
            if len(words) != 1:
                raise ScenarioError(f"{where}: keepshellwindows takes no argument")
            scenario.keep_shell_windows = True
        elif keyword == "noshell":
            if len(words) != 1:
                raise ScenarioError(f"{where}: noshell takes no argument")
            scenario.no_shell = True
            scenario.dll_overrides.append("explorer.exe=d")
        elif keyword == "plantdlls":
            if len(words) < 3 or scenario.plant is not None:
                raise ScenarioError(f"{where}: plantdlls /linux/planted.dll C:\\folder... (once)")
            scenario.plant = (words[1], words[2:])
        elif keyword in SETUP:
            scenario.setup.append((where, words))
        elif keyword in RUN_SETTINGS:
            settings = scenario.run_settings[-1]
            if keyword in settings:
                raise ScenarioError(f"{where}: {keyword} given twice for one run")
            settings[keyword] = run_setting(words, where)
        elif keyword == "rerun":
            # The installer is started again once the previous run has ended; the checks come
            # after the last run.
            if len(words) != 1:
                raise ScenarioError(f"{where}: rerun takes no argument")
            if not scenario.runs[-1] and not scenario.run_settings[-1]:
                raise ScenarioError(f"{where}: rerun before any step of the run before it")
            scenario.runs.append([])
            scenario.run_settings.append({})
        elif keyword == "expect":
            scenario.runs[-1].append(("expect", words[1] if len(words) > 1 else ""))
            if len(words) < 2:
                raise ScenarioError(f"{where}: expect needs a caption")
            scenario.runs[-1].extend(window_steps(words[2:], where))
        elif keyword in WINDOW_STEPS:
            scenario.runs[-1].extend(window_steps(words, where))
        elif keyword == "click":
            if len(words) != 3:
                raise ScenarioError(f"{where}: click CAPTION LABEL")
            scenario.runs[-1].append(("click", words[1] + "\t" + words[2]))
        elif keyword in ("appwindow", "noappwindow", "nowindow", "shellwindow"):
            scenario.runs[-1].append((keyword, one_argument(words, where)))
        elif keyword == "end":
            scenario.runs[-1].append(("end", ""))
        elif keyword == "nonewwindow":
            if len(words) != 1:
                raise ScenarioError(f"{where}: nonewwindow takes no argument")
            scenario.runs[-1].append(("nonewwindow", ""))
        elif keyword in CHECKS:
            scenario.checks.append((where, words))
        else:
            raise ScenarioError(f"{where}: unknown keyword {keyword!r}")
    for steps in scenario.runs:
        if not steps or steps[-1][0] != "end":
            steps.append(("end", ""))
    return scenario


def run_setting(words, where):
    """The value of a run setting: program installer | program PATH | program shortcut ITEM,
    arguments TEXT (one word: quote it), exitcode N."""
    keyword = words[0]
    if keyword == "program":
        if len(words) == 3 and words[1] == "shortcut":
            return ("shortcut", words[2])
        if len(words) == 4 and words[1] == "registry":
            return ("registry", words[2], words[3])
        if len(words) == 2:
            return None if words[1] == "installer" else words[1]
        raise ScenarioError(f"{where}: program installer | program PATH | program shortcut ITEM | "
                            "program registry KEY VALUE")
    if keyword == "token":
        if words[1:] != ["limited"]:
            raise ScenarioError(f"{where}: token limited")
        return "limited"
    if keyword == "exitcode":
        if len(words) != 2 or not words[1].isdigit():
            raise ScenarioError(f"{where}: exitcode N")
        return int(words[1])
    if keyword == "exitcodes":
        if len(words) != 3 or not words[1].isdigit() or not words[2].isdigit():
            raise ScenarioError(f"{where}: exitcodes N M (the run's program and its alongside copy, either way round)")
        return sorted([int(words[1]), int(words[2])])
    return one_argument(words, where)


def window_steps(words, where):
    """Pairs of (step, argument) from words such as: text "..." press No screenshot name."""
    steps = []
    words = list(words)
    while words:
        name = words.pop(0)
        if name not in WINDOW_STEPS:
            raise ScenarioError(f"{where}: unknown window step {name!r}")
        if name in BARE_STEPS:
            steps.append((name, ""))
            continue
        if not words:
            raise ScenarioError(f"{where}: {name!r} lacks its argument")
        steps.append((name, words.pop(0)))
    return steps


def one_argument(words, where):
    if len(words) != 2:
        raise ScenarioError(f"{where}: {words[0]} takes one argument")
    return words[1]


def expand(word, variables):
    return re.sub(r"\$\{(\w+)\}", lambda m: variables[m.group(1)] if m.group(1) in variables
                  else m.group(0), word)


# --- paths ---------------------------------------------------------------------------------------

def unix_path(prefix, windows_path):
    """The Linux path of a Windows path inside the prefix, matching names without regard to case
    as Windows does. Components that do not exist are kept as written."""
    match = re.match(r"^([A-Za-z]):[\\/]*(.*)$", windows_path)
    if not match:
        raise ScenarioError(f"not an absolute Windows path: {windows_path}")
    drive = os.path.join(prefix, "dosdevices", match.group(1).lower() + ":")
    path = os.path.realpath(drive)
    for part in [p for p in re.split(r"[\\/]+", match.group(2)) if p]:
        candidate = os.path.join(path, part)
        if not os.path.lexists(candidate) and os.path.isdir(path):
            for name in os.listdir(path):
                if name.lower() == part.lower():
                    candidate = os.path.join(path, name)
                    break
        path = candidate
    return path


def windows_path(linux_path):
    """The Windows path under which Wine shows a Linux path (drive Z: is the Linux root)."""
    return "Z:" + os.path.abspath(linux_path).replace("/", "\\")


def remove(path):
    if os.path.islink(path) or os.path.isfile(path):
        os.chmod(path, 0o644)
        os.remove(path)
    elif os.path.isdir(path):
        for root, dirs, files in os.walk(path):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o755)
        shutil.rmtree(path)


# --- the installer under test --------------------------------------------------------------------

def payload_section(image):
    """(file offset, size) of the installer data block, which begins where the bytes of the PE
    image's last section end (its header gives its size)."""
    if image[:2] != b"MZ" or len(image) < 0x40:
        raise ScenarioError("the installer is not a Windows program")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ScenarioError("the installer is not a Windows program")
    sections, optional_size = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    table = pe + 24 + optional_size
    end = 0
    for i in range(sections):
        raw_size, raw_at = struct.unpack_from("<II", image, table + 40 * i + 16)
        if raw_size > 0:
            end = max(end, raw_at + raw_size)
    if image[end:end + 8] != b"INSTDATA":
        raise ScenarioError("the installer holds no installer data after its last section")
    return end, struct.unpack_from("<Q", image, end + 24)[0]


def damaged_copy(installer, out_dir):
    """A copy of the installer with one byte flipped inside its first payload piece: the installer
    data block's header gives the size of the metadata that comes before the pieces."""
    with open(installer, "rb") as f:
        image = bytearray(f.read())
    block, size = payload_section(image)
    metadata_size = struct.unpack_from("<I", image, block + 32)[0]
    if metadata_size + 200 > size:
        raise ScenarioError(f"{installer} holds no piece long enough to damage")
    # Well inside the first piece (any piece of a real file is longer than this) and past the
    # two-byte zlib header.
    at = block + metadata_size + 100
    image[at] ^= 0xFF
    damaged = os.path.join(out_dir, "damaged-setup.exe")
    with open(damaged, "wb") as f:
        f.write(image)
    return damaged, at


def payload_file(installer, name):
    """The bytes of the payload file `name` (matched without regard to case, as Windows names
    files) of the installer: its pieces, found through the installer data block after its image
    (product/installer_data.h), inflated and joined."""
    with open(installer, "rb") as f:
        image = f.read()
    block, _ = payload_section(image)
    metadata_size, file_count, piece_count = struct.unpack_from("<III", image, block + 32)
    # The 64-byte header, then the eleven settings texts' references, then the file records.
    files_at = block + 64 + 88
    sizes_at = block + ((64 + 88 + 12 * file_count + 7) & ~7) + 8 * piece_count
    offset, first = block + metadata_size, 0
    for i in range(file_count):
        name_at, name_length, pieces = struct.unpack_from("<III", image, files_at + 12 * i)
        sizes = struct.unpack_from(f"<{pieces}I", image, sizes_at + 4 * first)
        if image[block + name_at:block + name_at + name_length].decode("utf-8").lower() == name.lower():
            data = b""
            for size in sizes:
                data += zlib.decompress(image[offset:offset + size])
                offset += size
            return data
        offset += sum(sizes)
        first += pieces
    raise ScenarioError(f"{installer} carries no file {name}")


# --- checks --------------------------------------------------------------------------------------

def read_profile_text(path):
    """An ini file's text: UTF-16 after its byte-order mark (what the profile functions write once
    a value is outside the code page), else the 8-bit code page of the prefix (Western here)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"\xff\xfe":
        return data[2:].decode("utf-16-le")
    return data.decode("latin-1")


def read_profile(path):
    """Sections and keys of an ini file, names folded to lower case as Windows compares them."""
    sections = {}
    current = None
    for line in read_profile_text(path).splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip().lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


def write_profile_entry(path, section, key, value):
    """Sets one entry of an ini file, creating the file or the section as needed, and keeps every
    other line as it was."""
    lines = []
    if os.path.isfile(path):
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
    out, current, done = [], None, False
    for line in lines:
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            if current == section.lower() and not done:
                out.append(f"{key}={value}")
                done = True
            current = stripped[1:-1].strip().lower()
        elif (current == section.lower() and "=" in stripped
              and stripped.split("=", 1)[0].strip().lower() == key.lower()):
            if not done:
                out.append(f"{key}={value}")
                done = True
            continue
        out.append(line)
    if not done:
        if current != section.lower():
            out.append(f"[{section}]")
        out.append(f"{key}={value}")
    with open(path, "w", encoding="latin-1", newline="\r\n") as f:
        f.write("\n".join(out) + "\n")


# Shell link (.lnk) header flags that say which optional parts follow the header.
LINK_HAS_ID_LIST = 0x01
LINK_HAS_LINK_INFO = 0x02
LINK_STRINGS = [(0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "arguments"),
                (0x40, "icon")]
LINK_IS_UNICODE = 0x80


def read_shortcut(path):
    """The target and working directory of a shell link file: the target from its LinkInfo (local
    base path and common path suffix), the working directory and the other strings from its
    StringData. Raises ValueError on a file that is not a shell link."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link (bad header size)")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    link = {"target": None}
    id_list_target = None
    if flags & LINK_HAS_ID_LIST:
        id_list_target = id_list_path(data, at + 2, at + 2 + struct.unpack_from("<H", data, at)[0])
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & LINK_HAS_LINK_INFO:
        size, header, info_flags, _, base, _, suffix = struct.unpack_from("<7I", data, at)

        def ansi(offset):
            end = data.index(b"\0", at + offset)
            return data[at + offset:end].decode("latin-1")

        def unicode(offset):
            end = at + offset
            while data[end:end + 2] != b"\0\0":
                end += 2
            return data[at + offset:end].decode("utf-16-le")
        if info_flags & 1:  # VolumeIDAndLocalBasePath
            # A header of 0x24 bytes or more carries the path in UTF-16 too, which is the whole
            # truth for a name outside the code page.
            if header >= 0x24:
                base_unicode, suffix_unicode = struct.unpack_from("<2I", data, at + 28)
                link["target"] = unicode(base_unicode) + (unicode(suffix_unicode) if suffix_unicode else "")
            else:
                link["target"] = ansi(base) + (ansi(suffix) if suffix else "")
        at += size
    for bit, name in LINK_STRINGS:
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            at += 2
            if flags & LINK_IS_UNICODE:
                text = data[at:at + 2 * count].decode("utf-16-le")
                at += 2 * count
            else:
                text = data[at:at + count].decode("latin-1")
                at += count
            # Wine counts the terminator in and writes it; the format's count leaves it out.
            link[name] = text[:-1] if text.endswith("\0") else text
    # Wine writes the LinkInfo path in the 8-bit code page alone, so a name outside it comes out
    # as question marks there; the item list, from which Windows resolves a link first, holds the
    # names in UTF-16.
    if id_list_target and (link["target"] is None or "?" in link["target"]):
        link["target"] = id_list_target
    return link


def id_list_path(data, at, end):
    """The file system path an item list (a link's target as the shell keeps it) names, as Wine
    lays the items out: a drive item ("C:\\") then an item per name, each holding its name in the
    code page and, after it, in UTF-16 (20 bytes into the block that follows). None when the list
    is not such a path."""
    path = None
    while at + 2 <= end:
        size = struct.unpack_from("<H", data, at)[0]
        if size == 0:
            break
        item = data[at:at + size]
        kind = item[2] if len(item) > 2 else 0
        if kind in (0x23, 0x2F) and path is None:  # a drive
            path = item[3:item.index(b"\0", 3)].decode("latin-1")
        elif kind in (0x31, 0x32, 0x35, 0x36) and path is not None:  # a folder or a file
            name_end = item.index(b"\0", 14)
            block = name_end + 1 + ((name_end + 1) % 2)
            wide = item[block + 20:]
            name = wide.decode("utf-16-le", errors="replace").split("\0", 1)[0] if len(wide) >= 2 else ""
            if not name:
                name = item[14:name_end].decode("latin-1")
            path = path.rstrip("\\") + "\\" + name
        at += size
    return path


def find_in(folder, relative):
    """The path of `relative` (backslash-separated) under `folder`, each name matched without
    regard to case as Windows does (the shell writes StartUp where a scenario says Startup); None
    when it does not exist."""
    path = folder
    for part in [p for p in re.split(r"[\\/]+", relative) if p]:
        if not os.path.isdir(path):
            return None
        names = [n for n in os.listdir(path) if n.lower() == part.lower()]
        if not names:
            return None
        path = os.path.join(path, names[0])
    return path


def start_menu_folders(prefix):
    users = os.path.join(prefix, "drive_c", "users")
    folders = [os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                            "Programs")]
    if os.path.isdir(users):
        for user in sorted(os.listdir(users)):
            folders.append(os.path.join(users, user, "AppData", "Roaming", "Microsoft", "Windows",
                                        "Start Menu", "Programs"))
    return folders


# How the registry is read: the Wine session, and the 64-bit view, where the installers of both
# bitnesses keep the product's entry (a 32-bit program's own keys would be below Wow6432Node).
REGISTRY = {"session": None, "view": "64"}


def registry_values(key):
    """The values of registry key `key` as `wine reg query` shows them in the installer's view:
    {name: data}, a DWORD as its decimal number; None when there is no such key."""
    env = dict(os.environ)
    env.update(REGISTRY["session"])
    result = subprocess.run([REGISTRY["session"]["WINE64"], "reg", "query", key, "/reg:" + REGISTRY["view"]],
                            env=env, capture_output=True, text=True, encoding="utf-8", errors="replace")
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        match = re.match(r"^ {4}(.*?) {4}(REG_\w+) {4}(.*)$", line.rstrip("\r"))
        if match:
            name, kind, data = match.groups()
            values[name] = str(int(data, 16)) if kind == "REG_DWORD" else data
    return values


def run_check(prefix, where, words, log):
    """Runs one check; logs and returns whether it held."""
    keyword, args = words[0], words[1:]

    def report(ok, detail):
        shown = " ".join(f'"{w}"' if " " in w or not w else w for w in words)
        log(f"check {shown}: {'ok' if ok else 'FAILED'}"
            + (f" ({detail})" if detail else ""))
        return ok

    if keyword == "file":
        path = unix_path(prefix, args[0])
        if not os.path.isfile(path):
            return report(False, "no such file")
        if len(args) == 3 and args[1] == "same-as":
            with open(path, "rb") as a, open(args[2], "rb") as b:
                got, want = a.read(), b.read()
            return report(got == want, "" if got == want else f"{len(got)} bytes, want {len(want)}")
        if len(args) != 1:
            raise ScenarioError(f"{where}: file PATH [same-as SOURCE]")
        return report(True, "")
    if keyword == "tree":
        # tree C:\\DIR same-as SOURCE [without NAME...]: DIR holds exactly the files below SOURCE
        # (links followed), byte for byte at the same paths, less those in a folder named NAME.
        if len(args) < 3 or args[1] != "same-as" or (len(args) > 3 and args[3] != "without"):
            raise ScenarioError(f"{where}: tree C:\\DIR same-as SOURCE [without NAME...]")
        left_out = set(args[4:])

        def files_below(root, skipped):
            found = {}
            for folder, folders, names in os.walk(root, followlinks=True):
                folders[:] = [f for f in folders if f not in skipped]
                for name in names:
                    path = os.path.join(folder, name)
                    found[os.path.relpath(path, root)] = path
            return found
        installed = files_below(unix_path(prefix, args[0]), set())
        source = files_below(args[2], left_out)
        if not installed:
            return report(False, "no such directory, or no file in it")
        missing = sorted(set(source) - set(installed))
        extra = sorted(set(installed) - set(source))
        changed = sorted(r for r in set(source) & set(installed) if not filecmp.cmp(source[r], installed[r], shallow=False))
        problems = [f"{len(group)} {what}: {', '.join(group[:3])}" for group, what in
                    ((missing, "missing"), (extra, "not in the source"), (changed, "different")) if group]
        return report(not problems, "; ".join(problems) or f"{len(installed)} files")
    if keyword == "registrysize":
        # registrysize KEY C:\\dir: the key's EstimatedSize is the size of the directory's files, in
        # KiB rounded up.
        if len(args) != 2:
            raise ScenarioError(f"{where}: registrysize KEY C:\\DIRECTORY")
        folder = unix_path(prefix, args[1])
        total = sum(os.path.getsize(os.path.join(folder, n)) for n in os.listdir(folder)
                    if os.path.isfile(os.path.join(folder, n))) if os.path.isdir(folder) else 0
        want = str((total + 1023) // 1024)
        got = (registry_values(args[0]) or {}).get("EstimatedSize")
        return report(got == want, f"EstimatedSize {got!r}, the files {total} bytes ({want} KiB)")
    if keyword in ("registry", "registryholds", "noregistry"):
        # registry KEY NAME DATA | registryholds KEY NAME... | noregistry KEY, in the 64-bit view.
        if (keyword == "registry" and len(args) != 3) or not args or (keyword == "noregistry" and len(args) != 1):
            raise ScenarioError(f"{where}: registry KEY NAME DATA | registryholds KEY NAME... | noregistry KEY")
        values = registry_values(args[0])
        if keyword == "noregistry":
            return report(values is None, f"it holds {sorted(values)}" if values is not None else "")
        if values is None:
            return report(False, f"no such key in the {REGISTRY['view']}-bit view")
        if keyword == "registryholds":
            return report(sorted(values) == sorted(args[1:]), f"it holds {sorted(values)}")
        got = values.get(args[1])
        return report(got == args[2], f"it is {got!r}" if got != args[2] else "")
    if keyword == "absent":
        exists = os.path.lexists(unix_path(prefix, args[0]))
        return report(not exists, "it exists" if exists else "")
    if keyword == "directory":
        return report(os.path.isdir(unix_path(prefix, args[0])), "")
    if keyword == "closed":
        # Wine keeps no access list of its own for a file: it reads one from the Unix mode, and
        # turns one it is given into a mode. No permission bits for others is how it keeps a list
        # that grants Everyone nothing, as a protected one does; a folder made without one gets
        # read and run for Everyone (0755).
        path = unix_path(prefix, args[0])
        if not os.path.isdir(path):
            return report(False, "no such directory")
        mode = os.stat(path).st_mode & 0o777
        return report(mode & 0o007 == 0, f"mode {mode:o}")
    if keyword == "empty":
        path = unix_path(prefix, args[0])
        if not os.path.isdir(path):
            return report(False, "no such directory")
        names = sorted(os.listdir(path))
        return report(not names, ", ".join(names))
    if keyword == "profile":
        # profile NAME absent | profile NAME SECTION KEY VALUE; a bare name is in C:\windows.
        name = args[0] if re.match(r"^[A-Za-z]:", args[0]) else "C:\\windows\\" + args[0]
        path = unix_path(prefix, name)
        if len(args) == 2 and args[1] == "absent":
            return report(not os.path.exists(path), "it exists" if os.path.exists(path) else "")
        if len(args) != 4:
            raise ScenarioError(f"{where}: profile NAME SECTION KEY VALUE, or profile NAME absent")
        if not os.path.isfile(path):
            return report(False, "no profile file")
        value = read_profile(path).get(args[1].lower(), {}).get(args[2].lower())
        return report(value == args[3], "no such entry" if value is None else f'found "{value}"')
    if keyword == "profilelacks":
        # profilelacks NAME SECTION KEY: no such entry, whether or not the file exists.
        if len(args) != 3:
            raise ScenarioError(f"{where}: profilelacks NAME SECTION KEY")
        name = args[0] if re.match(r"^[A-Za-z]:", args[0]) else "C:\\windows\\" + args[0]
        path = unix_path(prefix, name)
        value = read_profile(path).get(args[1].lower(), {}).get(args[2].lower()) if os.path.isfile(path) else None
        return report(value is None, "" if value is None else f'found "{value}"')
    if keyword == "startmenuholds":
        # startmenuholds GROUP NAME...: the group folder holds exactly these names, no more.
        folders = [p for p in (find_in(f, args[0]) for f in start_menu_folders(prefix))
                   if p is not None and os.path.isdir(p)]
        if len(folders) != 1:
            return report(False, f"{len(folders)} such folders")
        held = sorted(os.listdir(folders[0]), key=str.lower)
        ok = [n.lower() for n in held] == sorted((n.lower() for n in args[1:]))
        return report(ok, "holds " + ", ".join(held))
    if keyword == "shortcut":
        # shortcut ITEM target PATH workdir PATH: a link in a Start Menu programs folder.
        if len(args) != 5 or args[1] != "target" or args[3] != "workdir":
            raise ScenarioError(f"{where}: shortcut ITEM target PATH workdir PATH")
        found = [p for p in (find_in(f, args[0]) for f in start_menu_folders(prefix))
                 if p is not None and os.path.isfile(p)]
        if not found:
            return report(False, "not in any Start Menu folder")
        try:
            link = read_shortcut(found[0])
        except (ValueError, struct.error) as error:
            return report(False, f"unreadable: {error}")
        target, workdir = link.get("target"), link.get("workdir")
        ok = (target is not None and target.lower() == args[2].lower()
              and workdir is not None and workdir.lower() == args[4].lower())
        return report(ok, f'target "{target}", working directory "{workdir}"'
                      + (f', arguments "{link["arguments"]}"' if link.get("arguments") else ""))
    if keyword in ("running", "notrunning"):
        # running TEXT: the one program started by `launch` whose statement contains TEXT.
        matches = [p for line, p in LAUNCHED.items() if args[0].lower() in line]
        if len(matches) != 1:
            raise ScenarioError(f"{where}: {len(matches)} launched programs match {args[0]!r}")
        program = matches[0]
        alive = program.poll() is None
        state = "running" if alive else f"ended with code {program.returncode}"
        return report(alive == (keyword == "running"), state)
    if keyword in ("startmenu", "nostartmenu"):
        found = [p for p in (find_in(f, args[0]) for f in start_menu_folders(prefix)) if p is not None]
        if keyword == "startmenu":
            return report(bool(found), "" if found else "not in any Start Menu folder")
        return report(not found, "found in " + ", ".join(found) if found else "")
    raise ScenarioError(f"{where}: unknown check {keyword}")


# --- running -------------------------------------------------------------------------------------

def load_session(state_dir):
    env_file = os.path.join(state_dir, "session.env")
    if not os.path.isfile(env_file):
        raise ScenarioError(f"no Wine session: {env_file} is missing (the wine_session fixture did "
                            "not start)")
    session = {}
    with open(env_file) as f:
        for line in f:
            if "=" in line:
                key, value = line.rstrip("\n").split("=", 1)
                # A value the shell must not split (one holding ';') is written in double quotes.
                session[key] = value[1:-1] if len(value) >= 2 and value[0] == value[-1] == '"' else value
    return session


def prefix_variables(prefix):
    """${USERPROFILE} and ${STARTMENU}: the prefix's user folder (named after the Linux user) and
    that user's Start Menu programs folder, as Windows paths."""
    users = os.path.join(prefix, "drive_c", "users")
    names = [n for n in sorted(os.listdir(users)) if n != "Public"] if os.path.isdir(users) else []
    profile = "C:\\users\\" + (names[0] if names else "unknown")
    return {"USERPROFILE": profile,
            "STARTMENU": profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"}


REGISTRY_ROOTS = {"HKLM\\": "HKEY_LOCAL_MACHINE\\", "HKCU\\": "HKEY_CURRENT_USER\\"}


def reset_paths(prefix, session, paths, log):
    """Removes each path, and each registry key (HKLM\\... or HKCU\\..., in both views: a key
    below Software is also looked for below Software\\Wow6432Node) with one regedit import."""
    deletions = []
    for path in paths:
        root = next((r for r in REGISTRY_ROOTS if path.upper().startswith(r)), None)
        if root is not None:
            below = path[len(root):]
            deletions.append(REGISTRY_ROOTS[root] + below)
            if below.lower().startswith("software\\"):
                deletions.append(REGISTRY_ROOTS[root] + "Software\\Wow6432Node" + below[len("Software"):])
            continue
        target = unix_path(prefix, path)
        if os.path.lexists(target):
            log(f"reset {path}")
            remove(target)
    if deletions:
        import_file = os.path.join(unix_path(prefix, "C:\\windows\\temp"), "scenario-reset.reg")
        with open(import_file, "w", encoding="utf-16", newline="\r\n") as f:
            f.write("Windows Registry Editor Version 5.00\n\n" + "".join(f"[-{key}]\n\n" for key in deletions))
        env = dict(os.environ)
        env.update(session)
        subprocess.run([session["WINE64"], "regedit", "/s", "C:\\windows\\temp\\scenario-reset.reg"], env=env,
                       capture_output=True)
        log(f"reset {len(deletions)} registry keys")


# Programs started by `launch`, by their statement's words joined by spaces (lower case).
LAUNCHED = {}


def launch(session, words, out_dir, log):
    """Starts a program under Wine before the installer: launch PATH [ARGUMENT...], PATH a Windows
    path in the prefix or an absolute Linux path. Returns once the program shows a window."""
    program = words[1] if not words[1].startswith("/") else windows_path(words[1])
    env = dict(os.environ)
    env.update(session)
    output = open(os.path.join(out_dir, f"launched-{len(LAUNCHED) + 1}.log"), "w")
    name = re.split(r"[\\/]", program)[-1].lower()
    shown_before = len(program_windows(session, name))
    key = " ".join(words[1:]).lower()
    LAUNCHED[key] = subprocess.Popen(
        [session["WINE64"], program] + words[2:], env=env, stdin=subprocess.DEVNULL,
        stdout=output, stderr=subprocess.STDOUT, start_new_session=True)
    started = time.monotonic()
    # Polled rather than slept: a 64-bit program shows its window in a fraction of a second, a
    # 32-bit one under emulation in about a minute.
    while len(program_windows(session, name)) <= shown_before:
        if LAUNCHED[key].poll() is not None:
            raise ScenarioError(f"launched {key} ended before the installer started")
        if time.monotonic() - started > LAUNCH_WINDOW_SECONDS:
            raise ScenarioError(f"launched {key} showed no window within {LAUNCH_WINDOW_SECONDS} s")
        time.sleep(0.1)
    log(f"setup launch {' '.join(words[1:])} (window after {time.monotonic() - started:.1f} s)")


def program_windows(session, program_name):
    """The titles of the top-level windows that Wine shows on the X display for programs whose
    file is named `program_name` (lower case; Wine names each X window's class after it)."""
    listing = subprocess.run(["xwininfo", "-root", "-children", "-display", session["DISPLAY"]],
                             capture_output=True, text=True, encoding="latin-1").stdout
    titles = []
    for line in listing.splitlines():
        match = re.match(r'\s*0x[0-9a-f]+ "(.*)": \("([^"]*)" "[^"]*"\)\s+(\d+)x(\d+)', line)
        # Hidden helper windows (the input method's, a message-only one) are 1x1 and untitled.
        if (match and match.group(2).lower() == program_name and match.group(1) != "Default IME"
                and (match.group(3), match.group(4)) != ("1", "1")):
            titles.append(match.group(1))
    return titles


def is_32bit_program(program):
    """True when `program` is a 32-bit Windows program."""
    with open(program, "rb") as f:
        header = f.read(4096)
    pe = struct.unpack_from("<I", header, 0x3C)[0] if len(header) >= 0x40 else 0
    return header[:2] == b"MZ" and header[pe:pe + 6] == b"PE\0\0\x4c\x01"


def runs_emulated(program):
    """True when `program` is a 32-bit Windows program and this machine runs 32-bit Linux
    programs (Wine's 32-bit loader among them) only through qemu's user-mode emulation."""
    entry = "/proc/sys/fs/binfmt_misc/qemu-i386"
    if not is_32bit_program(program) or not os.path.isfile(entry):
        return False
    with open(entry) as f:
        return f.readline().strip() == "enabled"


def end_desktop_shell(session, log):
    """Ends the prefix's desktop shell (explorer.exe, which answers Program Manager's DDE service)
    and the folder windows it has or is about to open. With noshell, as on a machine where a
    management tool installs under the system account and no shell runs, the runs' programs get
    explorer.exe disabled, so Wine starts none again for them; otherwise, and for a later scenario,
    the first program starts it again."""
    ended = 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read()
            with open(f"/proc/{pid}/environ", "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if b"explorer.exe" in command and ("WINEPREFIX=" + session["WINEPREFIX"]).encode() in environment:
            os.kill(int(pid), 9)
            ended += 1
    time.sleep(1)
    log(f"shell ended: {ended} process(es)")


def end_launched(log):
    """Ends every launched program still running, so that nothing outlives the scenario."""
    for path, program in LAUNCHED.items():
        if program.poll() is None:
            program.kill()
            program.wait()
            log(f"ended launched {path}")


# Small filesystems mounted as drives by `smalldrive`: (mount point, drive link, saved link).
SMALL_DRIVES = []


def mount_small_drive(prefix, letter, kilobytes, out_dir, log):
    """smalldrive LETTER KB: a real, tiny filesystem (tmpfs of that size) as drive LETTER:, so that
    a disk really fills up under the installer. Needs the right to mount (root)."""
    mount_point = os.path.join(out_dir, f"smalldrive-{letter.lower()}")
    os.makedirs(mount_point, exist_ok=True)
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={kilobytes}k", "tmpfs", mount_point],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise ScenarioCannotRun(f"cannot mount a {kilobytes} KB filesystem (needs root): {result.stderr.strip()}")
    link = os.path.join(prefix, "dosdevices", letter.lower() + ":")
    saved = os.readlink(link) if os.path.islink(link) else None
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(mount_point, link)
    SMALL_DRIVES.append((mount_point, link, saved))
    log(f"setup smalldrive {letter.upper()}: {kilobytes} KB")


def unmount_small_drives(log):
    """Gives every drive letter back and unmounts the small filesystems."""
    while SMALL_DRIVES:
        mount_point, link, saved = SMALL_DRIVES.pop()
        if os.path.lexists(link):
            os.remove(link)
        if saved is not None:
            os.symlink(saved, link)
        subprocess.run(["umount", "-l", mount_point], capture_output=True)
        log(f"unmounted {mount_point}")


def prepare(prefix, scenario, session, installer, out_dir, log):
    for where, words in scenario.setup:
        if words[0] == "extract":
            # extract NAME C:\dest: a payload file of the installer under test, into the prefix.
            if len(words) != 3:
                raise ScenarioError(f"{where}: extract NAME C:\\dest")
            target = unix_path(prefix, words[2])
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(payload_file(installer, words[1]))
            log(f"setup extract {words[1]} {words[2]}")
            continue
        if words[0] == "smalldrive":
            if len(words) != 3 or not re.match(r"^[A-Za-z]:?$", words[1]) or not words[2].isdigit():
                raise ScenarioError(f"{where}: smalldrive LETTER KB")
            mount_small_drive(prefix, words[1][0], int(words[2]), out_dir, log)
            continue
        if words[0] == "launch":
            if len(words) < 2:
                raise ScenarioError(f"{where}: launch PATH [ARGUMENT...]")
            launch(session, words, out_dir, log)
            continue
        if words[0] == "profileset":
            # profileset NAME SECTION KEY VALUE; a bare name is in C:\windows.
            if len(words) != 5:
                raise ScenarioError(f"{where}: profileset NAME SECTION KEY VALUE")
            name = words[1] if re.match(r"^[A-Za-z]:", words[1]) else "C:\\windows\\" + words[1]
            write_profile_entry(unix_path(prefix, name), words[2], words[3], words[4])
            log(f"setup profileset {name} [{words[2]}] {words[3]}={words[4]}")
            continue
        if words[0] == "registryset":
            # registryset KEY NAME DATA: a value in the 64-bit view, as another program or an
            # earlier version would have left it; DATA of digits alone is a DWORD.
            if len(words) != 4:
                raise ScenarioError(f"{where}: registryset KEY NAME DATA")
            kind = "REG_DWORD" if words[3].isdigit() else "REG_SZ"
            env = dict(os.environ)
            env.update(session)
            result = subprocess.run([session["WINE64"], "reg", "add", words[1], "/v", words[2], "/t", kind, "/d",
                                     words[3], "/f", "/reg:64"], env=env, capture_output=True, text=True)
            if result.returncode != 0:
                raise ScenarioCannotRun(f"{where}: reg add failed: {result.stdout.strip()} {result.stderr.strip()}")
            log(f"setup registryset {words[1]} {words[2]}={words[3]}")
            continue
        if words[0] == "copy":
            # copy SOURCE C:\dest [older]: a file of the Linux side into the prefix; "older"
            # appends a few bytes, so it stands for an earlier build that must be replaced.
            if len(words) not in (3, 4) or words[3:] not in ([], ["older"]):
                raise ScenarioError(f"{where}: copy SOURCE C:\\dest [older]")
            target = unix_path(prefix, words[2])
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(words[1], target)
            if words[3:] == ["older"]:
                with open(target, "ab") as f:
                    f.write(b"earlier build\0")
            log(f"setup copy {' '.join(words[1:])}")
            continue
        target = unix_path(prefix, words[1])
        if words[0] == "mkdir":
            # mkdir C:\path [open]: "open" lets every user change it (mode 0777, which Wine
            # reports as an access list that lets Everyone modify it).
            if words[2:] not in ([], ["open"]):
                raise ScenarioError(f"{where}: mkdir C:\\path [open]")
            os.makedirs(target, exist_ok=True)
            if words[2:] == ["open"]:
                os.chmod(target, 0o777)
            log(f"setup mkdir {' '.join(words[1:])}")
        elif words[0] == "put":
            # put PATH [readonly]: a stale file, as an earlier installation could have left.
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "w") as f:
                f.write("stale copy\n")
            if "readonly" in words[2:]:
                os.chmod(target, 0o444)
            log(f"setup put {' '.join(words[1:])}")


def loaded_dlls(trace_path, programs):
    """The DLLs that processes of `programs` (file names, lower case) loaded, from the discovery
    pass's trace (DISCOVERY_DEBUG): {file name in lower case: the full path it came from}. A
    process is known by the first file it loads, its program (an .exe; Wine may give a later
    process the same id); the programs' own files are not DLLs of theirs."""
    main_module, loads = {}, {}
    with open(trace_path, encoding="latin-1") as f:
        for line in f:
            match = re.match(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*)" at ', line)
            if not match:
                continue
            pid, path = match.group(1), match.group(2).replace("\\\\", "\\")
            name = re.split(r"[\\/]", path)[-1].lower()
            if name.endswith(".exe") or pid not in main_module:
                main_module[pid] = name
            if main_module[pid] in programs and name not in programs:
                loads.setdefault(name, path)
    if not set(main_module.values()) & set(programs):
        raise ScenarioError(f"the discovery trace shows no process of {', '.join(sorted(programs))}")
    return loads


def override_name(dll):
    """The WINEDLLOVERRIDES name of a DLL file: without its extension when that is .dll."""
    return dll[:-4] if dll.endswith(".dll") else dll


def plant_dlls(prefix, plant, names, log):
    """Copies the planted DLL into each folder under each of `names`. Returns the Windows paths of
    the copies."""
    source, folders = plant
    planted = []
    for folder in folders:
        target = unix_path(prefix, folder)
        os.makedirs(target, exist_ok=True)
        for name in names:
            shutil.copyfile(source, os.path.join(target, name))
            planted.append(folder.rstrip("\\") + "\\" + name)
    log(f"setup plantdlls: {len(names)} DLLs in {', '.join(folders)}")
    return planted


def run_player(args, session, scenario, steps, program, cwd, arguments, out_dir, log, run=1, overrides=(),
               trace=None, limited=False):
    """Plays one run: starts `program` (a Windows path) in `cwd` with `arguments` (None: none)
    under player.exe, with `overrides` (WINEDLLOVERRIDES entries) before the scenario's own. With
    `trace` (a file open for appending), Wine's debug output of the player and of every process
    it starts goes there, each line naming its process, with the DLL loads (DISCOVERY_DEBUG).
    Returns whether the player's result is the one the scenario wants, and the lines the player
    wrote."""
    steps_file = os.path.join(out_dir, "steps.txt" if run == 1 else f"steps-{run}.txt")
    ignores = [c for c in scenario.optional]
    # What to start travels in the steps file too, as UTF-8, so that no text depends on how Wine
    # reads a command line in the Linux locale.
    with open(steps_file, "w", encoding="utf-8", newline="\n") as f:
        f.write(f"program\t{program}\ncwd\t{cwd}\n")
        if arguments is not None:
            f.write(f"arguments\t{arguments}\n")
        for name, value in scenario.environment:
            f.write(f"env\t{name}={value}\n")
        if scenario.unelevated or limited:
            f.write("token\tlimited\n")
        if scenario.keep_shell_windows:
            f.write("keep\tshellwindows\n")
        for caption in ignores:
            f.write(f"ignore\t{caption}\n")
        for name, argument in steps:
            f.write(f"{name}\t{argument}\n")
    env = dict(os.environ)
    env.update(session)
    if overrides or scenario.dll_overrides:
        env["WINEDLLOVERRIDES"] = ";".join(list(overrides) + scenario.dll_overrides
                                           + [session.get("WINEDLLOVERRIDES", "")])
    if trace is not None:
        env["WINEDEBUG"] = DISCOVERY_DEBUG
    command = [session["WINE64"], args.player, "--steps", windows_path(steps_file), "--timeout", str(scenario.timeout)]
    shots = os.path.join(out_dir, "screenshots")
    os.makedirs(shots, exist_ok=True)
    player = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT if trace is None else trace, text=True,
                              encoding="utf-8", errors="replace")
    result = None
    lines = []
    try:
        for line in player.stdout:
            line = line.rstrip("\r\n")
            log(line)
            lines.append(line)
            if line.startswith("RESULT "):
                # The player's last line. Its output may stay open after it ends, held by a Wine
                # process started meanwhile (the desktop restarted, for one), so stop reading.
                result = line.split(" ", 1)[1]
                break
            if line.startswith("screenshot "):
                name = line.split(" ", 1)[1]
                picture = os.path.join(shots, name + ".png")
                # Trimmed to the installer's windows: the rest of the screen is empty.
                taken = subprocess.run(["import", "-display", session["DISPLAY"], "-window", "root",
                                        "-trim", "+repage", picture], capture_output=True, text=True)
                log(f"  saved {picture}" if taken.returncode == 0
                    else f"  screenshot failed: {taken.stderr.strip()}")
                player.stdin.write("\n")
                player.stdin.flush()
        # The player enforces the scenario's time limit; this one only guards against Wine itself.
        code = player.wait(timeout=scenario.timeout + 60)
    except subprocess.TimeoutExpired:
        player.kill()
        log("FAIL player did not end")
        return False, lines
    ok = (code == 0) == (result == "pass") and result == scenario.outcome
    if result != scenario.outcome:
        log(f"player reported {result}, the scenario wants {scenario.outcome}")
    if result is None:
        # It ended without a word: its status (a Windows exception code if it crashed, Wine's own
        # if the loader failed) is all that tells why.
        log(f"player ended with status {code:#x} and no result")
    # Under emulation a 32-bit process that qemu kills leaves Wine no exit code of its own: the
    # player reads 0. qemu's line about it is the only sign.
    if any(line.startswith("qemu: uncaught target signal") for line in lines):
        log("FAIL a process of the run was killed under emulation")
        ok = False
    return ok, lines


def run_program(prefix, program, installer, cwd, log):
    """The Windows path of the program a run starts and the directory it starts in: the installer
    in the scenario's directory (`program` None), a path (a Linux one is run from drive Z:), or the
    target of a Start Menu shortcut in its working directory, as the shell starts it."""
    if program is None:
        return windows_path(installer), cwd, None
    if isinstance(program, tuple) and program[0] == "registry":
        values = registry_values(program[1]) or {}
        command = values.get(program[2])
        if not command:
            raise ScenarioError(f"no value {program[2]} in {program[1]} to start")
        # A command as Windows keeps it: the program's path in double quotes, then its arguments.
        match = re.match(r'^"([^"]+)"\s*(.*)$', command)
        if not match:
            raise ScenarioError(f"{program[1]} {program[2]} is no quoted program path: {command}")
        log(f'program {program[2]}: {command} in "{cwd}"')
        return match.group(1), cwd, match.group(2) or None
    if isinstance(program, tuple):
        found = [p for p in (find_in(f, program[1]) for f in start_menu_folders(prefix))
                 if p is not None and os.path.isfile(p)]
        if not found:
            raise ScenarioError(f"no shortcut {program[1]} in a Start Menu folder to start")
        try:
            link = read_shortcut(found[0])
        except (ValueError, struct.error) as error:
            raise ScenarioError(f"shortcut {program[1]} is unreadable: {error}")
        if not link.get("target"):
            raise ScenarioError(f"shortcut {program[1]} has no target")
        target, workdir = link["target"], link.get("workdir") or cwd
        log(f'program {program[1]}: "{target}" in "{workdir}"')
        return target, workdir, None
    return (windows_path(program) if program.startswith("/") else program), cwd, None


def start_alongside(prefix, session, program, cwd, arguments, out_dir, run, log):
    """Starts a second copy of the run's `program` (a Windows path) with `arguments` at the same
    moment as the player starts the first, in the same directory, with no player: it must show no
    window. Returns the running process, whose exit status Wine hands on."""
    env = dict(os.environ)
    env.update(session)
    output = open(os.path.join(out_dir, f"alongside-{run}.log"), "w")
    log(f"alongside {program} {arguments}")
    # Wine starts a program in the Windows directory that the Linux one stands for.
    return subprocess.Popen([session["WINE64"], program] + split_line(arguments), env=env,
                            cwd=unix_path(prefix, cwd), stdin=subprocess.DEVNULL, stdout=output,
                            stderr=subprocess.STDOUT, start_new_session=True)


def check_exit_codes(expected, lines, alongside, timeout, log):
    """Whether the run's program and its alongside copy ended with the two `expected` statuses,
    in either order; logged either way."""
    codes = [line.rsplit(" ", 1)[1] for line in lines if line.startswith("program exited with code ")]
    try:
        second = alongside.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        alongside.kill()
        alongside.wait()
        second = None
    got = sorted([int(codes[-1]) if codes else -1, second if second is not None else -1])
    ok = got == expected
    log(f"check exitcodes {expected[0]} {expected[1]}: {'ok' if ok else 'FAILED'} (the run's program "
        f"{codes[-1] if codes else 'did not exit by itself'}, the alongside copy "
        f"{second if second is not None else 'did not end'})")
    return ok


def check_exit_code(expected, lines, log):
    """Whether the player saw the program exit with `expected`; logged either way."""
    codes = [line.rsplit(" ", 1)[1] for line in lines if line.startswith("program exited with code ")]
    got = codes[-1] if codes else None
    ok = got == str(expected)
    log(f"check exitcode {expected}: {'ok' if ok else 'FAILED'}"
        + ("" if ok else f" (it {'exited with ' + got if got else 'did not exit by itself'})"))
    return ok


def play(args, session, scenario, installer, prefix, log, overrides=(), trace=None):
    """Plays every run of the scenario in order (run_player). Returns whether every run ended as
    the scenario wants, the lines the players wrote, and the file names (lower case) of the
    programs the runs started."""
    played, lines, programs = True, [], set()
    for run, (steps, settings) in enumerate(zip(scenario.runs, scenario.run_settings), 1):
        if len(scenario.runs) > 1:
            log(f"run {run} of {len(scenario.runs)}")
        program, cwd, implied = run_program(prefix, settings.get("program"), installer, scenario.cwd, log)
        arguments = settings.get("arguments", implied)
        programs.add(re.split(r"[\\/]", program)[-1].lower())
        alongside = None
        if "alongside" in settings:
            if "exitcodes" not in settings:
                raise ScenarioError("alongside needs exitcodes, the statuses of both copies")
            alongside = start_alongside(prefix, session, program, cwd, settings["alongside"], args.out_dir, run, log)
        ok, seen = run_player(args, session, scenario, steps, program, cwd, arguments, args.out_dir, log, run,
                              overrides, trace, settings.get("token") == "limited")
        if "exitcode" in settings:
            ok = check_exit_code(settings["exitcode"], seen, log) and ok
        if alongside is not None:
            ok = check_exit_codes(settings["exitcodes"], seen, alongside, scenario.timeout, log) and ok
        played, lines = played and ok, lines + seen
    return played, lines, programs


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario")
    parser.add_argument("--state-dir", required=True, help="where wine_session.sh keeps the session")
    parser.add_argument("--installer", required=True, help="the installer under test (32-bit or 64-bit)")
    parser.add_argument("--player", required=True, help="player.exe of the win64 build")
    parser.add_argument("--out-dir", required=True, help="logs and screenshots of this scenario")
    parser.add_argument("--reset-list", help="file of Windows paths cleared before every scenario")
    parser.add_argument("--var", action="append", default=[], help="NAME=VALUE for ${NAME}")
    args = parser.parse_args()

    os.makedirs(args.out_dir, exist_ok=True)
    log_path = os.path.join(args.out_dir, "scenario.log")
    log_file = open(log_path, "w", encoding="utf-8")

    def log(line):
        print(line, flush=True)
        log_file.write(line + "\n")
        log_file.flush()

    try:
        for needed, what in ((args.installer, "installer"), (args.player, "player")):
            if not os.path.isfile(needed):
                raise ScenarioError(f"the {what} is missing: {needed} (build the win32 and win64 "
                                    "presets, or configure the native build with "
                                    "-DWIN32_BUILD_DIR=... -DWIN64_BUILD_DIR=...)")
        session = load_session(args.state_dir)
        prefix = session["WINEPREFIX"]
        variables = dict(v.split("=", 1) for v in args.var)
        variables.update(prefix_variables(prefix))
        scenario = parse_scenario(args.scenario, variables)
        log(f"scenario {os.path.basename(args.scenario)}")

        resets = list(scenario.resets)
        if args.reset_list:
            with open(args.reset_list, encoding="utf-8") as f:
                resets += [expand(w, variables) for line in f for w in split_line(line)]
        reset_paths(prefix, session, resets, log)

        installer = args.installer
        if scenario.installer == "damaged":
            installer, offset = damaged_copy(args.installer, args.out_dir)
            log(f"installer damaged: byte at offset {offset} flipped")
        elif scenario.installer.lower().endswith(".exe"):
            # A Linux path, or a Windows path in the prefix (a copy the scenario put there).
            installer = scenario.installer
            if not installer.startswith("/"):
                installer = unix_path(prefix, installer)
        elif scenario.installer != "default":
            raise ScenarioError(f"unknown installer {scenario.installer!r}")

        # A scenario that looks for new windows starts with a fresh shell: the folder windows an
        # earlier scenario's Program Manager commands asked for can open late, during this one.
        if scenario.no_shell or any(step[0] == "nonewwindow" for run in scenario.runs for step in run):
            end_desktop_shell(session, log)
        prepare(prefix, scenario, session, installer, args.out_dir, log)
        # Checked once prepared: the scenario may have copied it into the prefix.
        if not os.path.isfile(installer):
            raise ScenarioError(f"the installer is missing: {installer}")

        REGISTRY["session"] = session
        if runs_emulated(installer):
            scenario.timeout += EMULATED_START_ALLOWANCE_SECONDS
            log(f"32-bit installer under emulation: each run may take {scenario.timeout} s")

        planted, overrides = [], []
        if scenario.plant is not None:
            # The discovery pass: every run once as written, nothing planted, with Wine telling
            # which DLLs each process loads. Then everything starts again from the same state,
            # with a DLL beside the programs under each name they loaded that is not a known DLL.
            log("discovery pass: the runs once, nothing planted, every DLL load traced")
            trace_path = os.path.join(args.out_dir, "discovery-trace.txt")
            with open(trace_path, "w") as trace:
                discovered, _, programs = play(args, session, scenario, installer, prefix, log, trace=trace)
            if not discovered:
                raise ScenarioError("the discovery pass failed (see above)")
            loads = loaded_dlls(trace_path, programs)
            for name in sorted(loads):
                log(f"discovered {name} from {loads[name]}"
                    + (" (a known DLL: not planted)" if name in KNOWN_DLLS else ""))
            names = sorted(set(loads) - KNOWN_DLLS)
            end_launched(log)
            unmount_small_drives(log)
            log("planted pass")
            reset_paths(prefix, session, resets, log)
            prepare(prefix, scenario, session, installer, args.out_dir, log)
            planted = plant_dlls(prefix, scenario.plant, names, log)
            # Native first, as Windows treats every DLL that is not a known DLL: Wine would
            # otherwise prefer its own whatever the folder, and the pass would prove nothing.
            overrides = [",".join(override_name(n) for n in names) + "=n,b"] if names else []

        played, lines, _ = play(args, session, scenario, installer, prefix, log, overrides=overrides)
        for text in scenario.logged:
            seen = any(text in line for line in lines)
            log(f"check logged '{text}': {'ok' if seen else 'FAILED'}")
            played = played and seen
        checked = all([run_check(prefix, where, words, log) for where, words in scenario.checks])
        # Each planted DLL leaves "<its path>.loaded" beside itself when anything loads it.
        for path in planted:
            checked = run_check(prefix, None, ["absent", path + ".loaded"], log) and checked
    except ScenarioError as error:
        log(f"FAIL {error}")
        end_launched(log)
        unmount_small_drives(log)
        return 1
    except ScenarioCannotRun as reason:
        log(f"SKIPPED {reason}")
        end_launched(log)
        unmount_small_drives(log)
        return SKIP_STATUS
    end_launched(log)
    unmount_small_drives(log)
    passed = played and checked
    log("PASSED" if passed else "FAILED")
    log(f"log: {log_path}")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
