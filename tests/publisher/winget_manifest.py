#!/usr/bin/python3
"""instpack --winget-manifest, read back with a YAML parser: every field of the three manifests
against the installer written beside them and the description, for both Windows targets; then a
description that lacks what a manifest needs, refused with one line per missing setting and
nothing written.
  winget_manifest.py INSTPACK WIN32_DESCRIPTION WIN32_BUILD WIN64_DESCRIPTION WIN64_BUILD
(each build folder holds the target's installer-<t>.exe and uninstaller-<t>.exe)"""
import hashlib
import os
import subprocess
import sys
import tempfile
import tomllib

import yaml

instpack, targets = sys.argv[1], {"win32": sys.argv[2:4], "win64": sys.argv[4:6]}
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: {got!r}, expected {expected!r}")


def run(description, target, build, out, manifests):
    return subprocess.run([instpack, description, "-o", out, "--target", target,
                           "--stub", f"{build}/installer-{target}.exe",
                           "--uninstaller-stub", f"{build}/uninstaller-{target}.exe",
                           "--winget-manifest", manifests], capture_output=True, text=True)


with tempfile.TemporaryDirectory() as work:
    for target, (description, build) in targets.items():
        with open(description, "rb") as f:
            d = tomllib.load(f)
        out, manifests = f"{work}/{target}-setup.exe", f"{work}/{target}-manifests"
        result = run(description, target, build, out, manifests)
        if result.returncode != 0:
            sys.exit(f"FAIL: instpack --target {target} --winget-manifest: {result.stderr}")
        ident = d["packageIdentifier"]
        check(f"{target}: files", sorted(os.listdir(manifests)),
              sorted([f"{ident}.yaml", f"{ident}.installer.yaml", f"{ident}.locale.en-US.yaml"]))
        load = lambda name: yaml.safe_load(open(f"{manifests}/{ident}.{name}yaml", encoding="utf-8"))
        version, locale, installer = load(""), load("locale.en-US."), load("installer.")
        for name, manifest in (("version", version), ("locale", locale), ("installer", installer)):
            check(f"{target} {name}: PackageIdentifier", manifest["PackageIdentifier"], ident)
            check(f"{target} {name}: PackageVersion", manifest["PackageVersion"], d["version"])
            check(f"{target} {name}: ManifestVersion", manifest["ManifestVersion"], "1.10.0")
        check(f"{target} version", {k: version[k] for k in ("ManifestType", "DefaultLocale")},
              {"ManifestType": "version", "DefaultLocale": "en-US"})
        expected_locale = {"ManifestType": "defaultLocale", "PackageLocale": "en-US",
                           "Publisher": d["publisher"], "PackageName": d["productName"],
                           "License": d["license"], "ShortDescription": d["shortDescription"],
                           "Copyright": d["copyright"]}
        check(f"{target} locale", {k: locale.get(k) for k in expected_locale}, expected_locale)
        with open(out, "rb") as f:
            sha256 = hashlib.sha256(f.read()).hexdigest()
        product_id = d.get("productId", d["groupName"])
        expected_installer = {
            "ManifestType": "installer", "InstallerType": "exe", "Scope": "machine",
            "InstallModes": ["interactive", "silent"],
            "InstallerSwitches": {"Silent": "/S", "SilentWithProgress": "/S", "InstallLocation": "/D=<INSTALLPATH>"},
            "ExpectedReturnCodes": [{"InstallerReturnCode": code, "ReturnResponse": response} for code, response in (
                (1, "contactSupport"), (2, "fileInUse"), (3, "diskFull"), (4, "insufficientMemory"),
                (5, "contactSupport"), (6, "invalidParameter"), (10, "installInProgress"),
                (12, "blockedByPolicy"))],
            "UpgradeBehavior": "install", "ElevationRequirement": "elevatesSelf", "ProductCode": product_id,
            "AppsAndFeaturesEntries": [{"DisplayName": d["productName"], "Publisher": d["publisher"],
                                        "DisplayVersion": d["version"], "ProductCode": product_id}],
            "Installers": [{"Architecture": {"win32": "x86", "win64": "x64"}[target],
                            "InstallerUrl": d["installerUrl"], "InstallerSha256": sha256}]}
        check(f"{target} installer", {k: installer.get(k) for k in expected_installer}, expected_installer)
        extra = set(installer) - set(expected_installer) - {"PackageIdentifier", "PackageVersion", "ManifestVersion"}
        check(f"{target} installer: fields beyond those checked", extra, set())
        print(f"ok   {target}: three manifests, every field as the description and the installer "
              f"(SHA-256 {sha256[:16]}...) say")

    # A description without what the manifest needs: one line for each, naming it; nothing written.
    description, build = targets["win32"]
    with open(description, encoding="utf-8") as f:
        lines = f.read().splitlines(keepends=True)
    needed = ("packageIdentifier", "publisher", "version", "license", "shortDescription", "installerUrl")
    bare = f"{work}/bare.toml"
    with open(bare, "w", encoding="utf-8") as f:
        f.writelines(line for line in lines if line.split(" =")[0] not in needed)
    result = run(bare, "win32", build, f"{work}/bare-setup.exe", f"{work}/bare-manifests")
    check("a description lacking the manifest's settings: status", result.returncode, 1)
    refused = result.stderr.splitlines()
    check("the lines refusing it name", [line.split(": ")[2] for line in refused], list(needed))
    check("left behind", sorted(n for n in os.listdir(work) if n.startswith("bare") and n != "bare.toml"), [])

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
