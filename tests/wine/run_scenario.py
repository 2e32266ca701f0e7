#!/usr/bin/env python3
"""Runs one end-to-end scenario of the Windows installer under wine64 and checks its outcome.

The scenario file (tests/wine/scenarios/*.scn) says what to prepare in the prefix, what the user
sees and does (played by player.exe inside Wine), and what must be on disk afterwards; see
docs/wine-harness.md for its format. The Wine session (Xvfb display, booted prefix) comes from
<state dir>/session.env, written by wine_session.sh. Exit status 0 means the scenario passed.
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys

# Windows that may come and go without a scenario naming them.
OPTIONAL_WINDOWS = ["Setup Progress"]
# Steps that act on or check the window named by the last expect.
WINDOW_STEPS = ["text", "button", "edit", "type", "press", "screenshot"]
CHECKS = ["file", "absent", "empty", "directory", "profile", "startmenu", "nostartmenu"]


class ScenarioError(Exception):
    pass


class Scenario:
    def __init__(self):
        self.installer = "default"
        self.cwd = "C:\\"
        self.timeout = 60
        self.setup = []     # (line number, words)
        self.steps = []     # (step name, argument) for the player
        self.checks = []    # (line number, words)
        self.resets = []
        self.optional = list(OPTIONAL_WINDOWS)
        self.outcome = "pass"  # what the player must report: pass, or fail or timeout in its own tests
        self.logged = []    # texts that some line of the player's log must contain


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
        elif keyword in ("mkdir", "put"):
            scenario.setup.append((where, words))
        elif keyword == "expect":
            scenario.steps.append(("expect", words[1] if len(words) > 1 else ""))
            if len(words) < 2:
                raise ScenarioError(f"{where}: expect needs a caption")
            scenario.steps.extend(window_steps(words[2:], where))
        elif keyword in WINDOW_STEPS:
            scenario.steps.extend(window_steps(words, where))
        elif keyword in ("appwindow", "noappwindow"):
            scenario.steps.append((keyword, one_argument(words, where)))
        elif keyword == "end":
            scenario.steps.append(("end", ""))
        elif keyword in CHECKS:
            scenario.checks.append((where, words))
        else:
            raise ScenarioError(f"{where}: unknown keyword {keyword!r}")
    if not scenario.steps or scenario.steps[-1][0] != "end":
        scenario.steps.append(("end", ""))
    return scenario


def window_steps(words, where):
    """Pairs of (step, argument) from words such as: text "..." press No screenshot name."""
    if len(words) % 2 != 0:
        raise ScenarioError(f"{where}: {words[-1]!r} lacks its argument")
    steps = []
    for name, argument in zip(words[0::2], words[1::2]):
        if name not in WINDOW_STEPS:
            raise ScenarioError(f"{where}: unknown window step {name!r}")
        steps.append((name, argument))
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

def damaged_copy(installer, payload, out_dir):
    """A copy of the installer with one byte flipped inside its first payload piece. The pieces are
    assembled into the executable as they are in payload.bin, so its start locates the first."""
    with open(installer, "rb") as f:
        image = bytearray(f.read())
    with open(payload, "rb") as f:
        pieces = f.read()
    probe = pieces[:256]
    if len(probe) < 200:
        raise ScenarioError(f"{payload} is too small to hold a piece")
    at = image.find(probe)
    if at < 0 or image.find(probe, at + 1) >= 0:
        raise ScenarioError(f"the start of {payload} is not found exactly once in {installer}")
    # Well inside the first piece (any piece of a real file is longer than this) and past the
    # two-byte zlib header.
    image[at + 100] ^= 0xFF
    damaged = os.path.join(out_dir, "damaged-setup.exe")
    with open(damaged, "wb") as f:
        f.write(image)
    return damaged, at + 100


# --- checks --------------------------------------------------------------------------------------

def read_profile(path):
    """Sections and keys of an ini file, names folded to lower case as Windows compares them."""
    sections = {}
    current = None
    with open(path, encoding="latin-1") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].strip().lower(), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key.strip().lower()] = value.strip()
    return sections


def start_menu_folders(prefix):
    users = os.path.join(prefix, "drive_c", "users")
    folders = [os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                            "Programs")]
    if os.path.isdir(users):
        for user in sorted(os.listdir(users)):
            folders.append(os.path.join(users, user, "AppData", "Roaming", "Microsoft", "Windows",
                                        "Start Menu", "Programs"))
    return folders


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
    if keyword == "absent":
        exists = os.path.lexists(unix_path(prefix, args[0]))
        return report(not exists, "it exists" if exists else "")
    if keyword == "directory":
        return report(os.path.isdir(unix_path(prefix, args[0])), "")
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
    if keyword in ("startmenu", "nostartmenu"):
        relative = args[0].replace("\\", "/")
        found = [f for f in start_menu_folders(prefix) if os.path.lexists(os.path.join(f, relative))]
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
                session[key] = value
    return session


def prefix_variables(prefix):
    """${USERPROFILE} and ${STARTMENU}: the prefix's user folder (named after the Linux user) and
    that user's Start Menu programs folder, as Windows paths."""
    users = os.path.join(prefix, "drive_c", "users")
    names = [n for n in sorted(os.listdir(users)) if n != "Public"] if os.path.isdir(users) else []
    profile = "C:\\users\\" + (names[0] if names else "unknown")
    return {"USERPROFILE": profile,
            "STARTMENU": profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"}


def reset_paths(prefix, paths, log):
    for path in paths:
        target = unix_path(prefix, path)
        if os.path.lexists(target):
            log(f"reset {path}")
            remove(target)


def prepare(prefix, scenario, log):
    for where, words in scenario.setup:
        target = unix_path(prefix, words[1])
        if words[0] == "mkdir":
            os.makedirs(target, exist_ok=True)
            log(f"setup mkdir {words[1]}")
        elif words[0] == "put":
            # put PATH [readonly]: a stale file, as an earlier installation could have left.
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "w") as f:
                f.write("stale copy\n")
            if "readonly" in words[2:]:
                os.chmod(target, 0o444)
            log(f"setup put {' '.join(words[1:])}")


def run_player(args, session, scenario, installer, out_dir, log):
    steps_file = os.path.join(out_dir, "steps.txt")
    ignores = [c for c in scenario.optional]
    with open(steps_file, "w", encoding="latin-1", newline="\n") as f:
        for caption in ignores:
            f.write(f"ignore\t{caption}\n")
        for name, argument in scenario.steps:
            f.write(f"{name}\t{argument}\n")
    env = dict(os.environ)
    env.update(session)
    command = [session["WINE64"], args.player, "--steps", windows_path(steps_file),
               "--cwd", scenario.cwd, "--timeout", str(scenario.timeout), windows_path(installer)]
    shots = os.path.join(out_dir, "screenshots")
    os.makedirs(shots, exist_ok=True)
    player = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, encoding="latin-1")
    result = None
    lines = []
    try:
        for line in player.stdout:
            line = line.rstrip("\r\n")
            log(line)
            lines.append(line)
            if line.startswith("RESULT "):
                result = line.split(" ", 1)[1]
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
        return False
    ok = (code == 0) == (result == "pass") and result == scenario.outcome
    if result != scenario.outcome:
        log(f"player reported {result}, the scenario wants {scenario.outcome}")
    for text in scenario.logged:
        seen = any(text in line for line in lines)
        log(f"check logged '{text}': {'ok' if seen else 'FAILED'}")
        ok = ok and seen
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scenario")
    parser.add_argument("--state-dir", required=True, help="where wine_session.sh keeps the session")
    parser.add_argument("--installer", required=True, help="the win64 installer under test")
    parser.add_argument("--payload", help="the installer's payload.bin (for damaged copies)")
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
                raise ScenarioError(f"the {what} is missing: {needed} (build the win64 preset, or "
                                    "configure the native build with -DWIN64_BUILD_DIR=...)")
        session = load_session(args.state_dir)
        prefix = session["WINEPREFIX"]
        variables = dict(v.split("=", 1) for v in args.var)
        variables.update(prefix_variables(prefix))
        scenario = parse_scenario(args.scenario, variables)
        log(f"scenario {os.path.basename(args.scenario)}")

        resets = list(scenario.resets)
        if args.reset_list:
            with open(args.reset_list) as f:
                resets += [expand(w, variables) for line in f for w in split_line(line)]
        reset_paths(prefix, resets, log)
        prepare(prefix, scenario, log)

        installer = args.installer
        if scenario.installer == "damaged":
            if not args.payload or not os.path.isfile(args.payload):
                raise ScenarioError(f"a damaged installer needs the payload: {args.payload}")
            installer, offset = damaged_copy(args.installer, args.payload, args.out_dir)
            log(f"installer damaged: byte at offset {offset} flipped")
        elif scenario.installer != "default":
            raise ScenarioError(f"unknown installer {scenario.installer!r}")

        played = run_player(args, session, scenario, installer, args.out_dir, log)
        checked = all([run_check(prefix, where, words, log) for where, words in scenario.checks])
    except ScenarioError as error:
        log(f"FAIL {error}")
        return 1
    passed = played and checked
    log("PASSED" if passed else "FAILED")
    log(f"log: {log_path}")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
