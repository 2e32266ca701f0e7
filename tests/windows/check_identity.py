#!/usr/bin/env python3
"""Reads a finished Windows installer's identity back with icoutils' wrestool and fails unless it is
the description's: the version information's texts and numbers, the icon's images, and the
manifest (execution level, supported Windows versions, DPI awareness, visual style); the program's
own dialog templates must still be there.

    check_identity.py DESCRIPTION ICON INSTALLER...
"""

import struct
import subprocess
import sys
import tomllib
import xml.etree.ElementTree as ElementTree

WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def wrestool(installer, *selection):
    return subprocess.run(["wrestool", "-x", *selection, installer], capture_output=True, check=True).stdout


def version_node(data, at):
    """One node of a VS_VERSIONINFO resource: (key, value bytes, children), its value a text when
    its type is 1 (length in characters), else bytes (length in bytes); everything 4-byte aligned."""
    length, value_length, text = struct.unpack_from("<HHH", data, at)
    end = at + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[at + 6:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    value = data[value_at:value_at + (2 * value_length if text else value_length)]
    children, child_at = [], (value_at + len(value) + 3) & ~3
    while child_at < at + length:
        child = version_node(data, child_at)
        children.append(child)
        child_at = (child_at + child[3] + 3) & ~3
    return key, value, children, length


def version_strings(data):
    """The StringFileInfo texts and the fixed part's file version of a version resource."""
    key, fixed, children, _ = version_node(data, 0)
    assert key == "VS_VERSION_INFO", key
    signature, _, ms, ls = struct.unpack_from("<IIII", fixed)
    assert signature == 0xFEEF04BD
    texts = {}
    for child_key, _, tables, _ in children:
        if child_key == "StringFileInfo":
            for _, _, strings, _ in tables:
                texts.update({k: v.decode("utf-16-le").rstrip("\0") for k, v, _, _ in strings})
    return texts, [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]


def icon_images(data):
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((width, height, bits, data[offset:offset + size]))
    return images


def main():
    description_path, icon_path, installers = sys.argv[1], sys.argv[2], sys.argv[3:]
    with open(description_path, "rb") as f:
        description = tomllib.load(f)
    version = description["version"]
    numbers = [int(n) for n in version.split(".")] + [0] * (4 - len(version.split(".")))
    expected = {
        "CompanyName": description["publisher"],
        "ProductName": description.get("productName", description["appTitle"]),
        "FileDescription": description["fileDescription"],
        "FileVersion": version,
        "ProductVersion": version,
        "LegalCopyright": description["copyright"],
    }
    level = description.get("executionLevel", "requireAdministrator")
    original_icon = icon_images(open(icon_path, "rb").read())
    failures = []
    for installer in installers:
        listing = subprocess.run(["wrestool", "-l", installer], capture_output=True, text=True, check=True).stdout
        for dialog in ("--type=5 --name=109 ", "--type=5 --name=113 "):
            if dialog not in listing:
                failures.append(f"{installer}: dialog template {dialog.split('=')[-1].strip()} is missing")
        texts, fixed = version_strings(wrestool(installer, "--type=16", "--raw"))
        print(f"{installer}: version information {texts}, fixed version {'.'.join(map(str, fixed))}")
        if texts != expected:
            failures.append(f"{installer}: version texts {texts}, expected {expected}")
        if fixed != numbers:
            failures.append(f"{installer}: fixed version {fixed}, expected {numbers}")
        icon = icon_images(wrestool(installer, "--type=14"))
        print(f"{installer}: icon of {len(icon)} images: {', '.join(f'{w or 256}x{h or 256}' for w, h, b, d in icon)}")
        if icon != original_icon:
            failures.append(f"{installer}: the icon's images differ from {icon_path}")
        manifest = wrestool(installer, "--type=24", "--raw")
        root = ElementTree.fromstring(manifest)
        found_level = [e.get("level") for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
        dpi = {e.tag.split("}")[1]: e.text for e in root.iter() if e.tag.endswith(("dpiAware", "dpiAwareness"))}
        oses = [e.get("Id") for e in root.iter() if e.tag.endswith("supportedOS")]
        controls = [e.get("version") for e in root.iter() if e.tag.endswith("assemblyIdentity")
                    and e.get("name") == "Microsoft.Windows.Common-Controls"]
        print(f"{installer}: manifest: execution level {found_level}, {dpi}, {len(oses)} Windows versions, "
              f"common controls {controls}")
        if found_level != [level]:
            failures.append(f"{installer}: execution level {found_level}, expected {level}")
        if dpi != {"dpiAware": "true", "dpiAwareness": "PerMonitorV2"}:
            failures.append(f"{installer}: DPI awareness {dpi}")
        if WINDOWS_10 not in oses:
            failures.append(f"{installer}: Windows 10 and 11 are not among the supported versions")
        if controls != ["6.0.0.0"]:
            failures.append(f"{installer}: common controls {controls}, expected version 6")
    for failure in failures:
        print("FAIL: " + failure)
    print("PASS" if not failures else f"{len(failures)} failures")
    return 1 if failures or not installers else 0


if __name__ == "__main__":
    sys.exit(main())
