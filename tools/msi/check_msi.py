#!/usr/bin/env python3
"""Checks a Windows installer under Wine, as a plant's IT would deploy it:
its tables (msiinfo), a silent install, the installed monitor starting with
the driver beside it, the shortcuts, an upgrade to the next version without
a second entry, a silent uninstall that leaves nothing of ours behind and
the user's configuration and records as they were.

usage: check_msi.py --msi X.msi --next NEXT.msi --arch x64|x86 [--without-sdk]"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

WINE = "/usr/lib/wine/wine64"
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
COMPONENTS = {"Driver", "Monitor", "TestProgram", "Recorder", "Guide", "MenuFolder", "SdkHeader", "SdkLibraries"}
PROGRAMS = ["Vexla.dll", "Kestrow.exe", "Pellin.exe", "vexla-rec.exe", "user-guide.md", "README.md"]
SDK = ["sdk/include/vexla.h", "sdk/lib/libVexla.dll.a", "sdk/lib/Vexla.lib", "sdk/bindings/c/example.c"]


def table(msi, name):
    """The rows of one table, as lists of fields (the three heading lines dropped)."""
    text = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:] if line]


def check_tables(msi, station):
    failures = []
    components = {row[0] for row in table(msi, "Component")}
    wanted = COMPONENTS | ({"Station"} if station else set())
    for missing in sorted(wanted - components):
        failures.append(f"{msi}: no component {missing}")
    features = {row[0]: row for row in table(msi, "Feature")}
    if set(features) != {"Programs", "SDK"}:
        failures.append(f"{msi}: features {sorted(features)}, not Programs and SDK")
    upgrades = table(msi, "Upgrade")
    if not any(row[-1] == "WIX_UPGRADE_DETECTED" for row in upgrades):
        failures.append(f"{msi}: the upgrade table does not find older versions")
    properties = {row[0]: row[1] for row in table(msi, "Property")}
    if not upgrades or any(row[0] != properties.get("UpgradeCode") for row in upgrades):
        failures.append(f"{msi}: the upgrade table is not about this product's upgrade code")
    shortcuts = {row[2] for row in table(msi, "Shortcut")}
    if shortcuts != {"Kestrow", "Pellin"} | ({"Vexla Station"} if station else set()):
        failures.append(f"{msi}: shortcuts {sorted(shortcuts)}")
    return failures, properties


class Prefix:
    def __init__(self, folder):
        self.folder = folder
        self.env = dict(os.environ, WINEPREFIX=folder, WINEDEBUG="-all")
        subprocess.run(["sh", "-c", ". tools/wine-prefix.sh && boot_wine_prefix"], cwd=ROOT, env=self.env, check=True)

    def path(self, *parts):
        return os.path.join(self.folder, "drive_c", *parts)

    def msiexec(self, *args):
        run = subprocess.run([WINE, "msiexec", *args], env=self.env, capture_output=True, text=True, timeout=300)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=self.env, timeout=120)
        return run.returncode

    def uninstall_entries(self):
        """DisplayName and DisplayVersion of every Vexla entry in the list of programs."""
        entries, name, listed = [], None, False
        with open(os.path.join(self.folder, "system.reg"), encoding="utf-8", errors="replace") as reg:
            for line in reg:
                if line.startswith("["):
                    name, listed = None, r"\\CurrentVersion\\Uninstall\\" in line
                if listed and line.startswith('"DisplayName"="Vexla '):
                    name = line.split('"')[3]
                if line.startswith('"DisplayVersion"=') and name:
                    entries.append((name, line.split('"')[3]))
        return entries


def starts_with_driver(prefix, folder):
    """The installed monitor runs with the driver beside it: it stays up and
    the driver has made the configuration file of the monitor's segment."""
    config = prefix.path("系统配置", "Vexla配置001.txt")
    monitor = subprocess.Popen(["xvfb-run", "-a", WINE, os.path.join(folder, "Kestrow.exe")],
                               env=dict(prefix.env, WINEDEBUG="err+module"), stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    try:
        while time.monotonic() < deadline and monitor.poll() is None and not os.path.exists(config):
            time.sleep(0.2)
        return os.path.exists(config) and monitor.poll() is None
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=prefix.env)
        monitor.wait(timeout=60)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--msi", required=True)
    parser.add_argument("--next", required=True, help="the same product at a higher version")
    parser.add_argument("--arch", choices=["x64", "x86"], required=True)
    parser.add_argument("--without-sdk", action="store_true", help="install the programs alone")
    args = parser.parse_args()

    station = any(row[0] == "Station" for row in table(args.msi, "Component"))
    failures, properties = check_tables(args.msi, station)
    programs = PROGRAMS + (["VexlaStation.exe"] if station else [])
    work = tempfile.mkdtemp(prefix="vexla-msi-")
    try:
        prefix = Prefix(os.path.join(work, "prefix"))
        install = prefix.path("Program Files" if args.arch == "x64" else "Program Files (x86)", "Vexla")
        # The all-users Start menu on Windows; Wine keeps every menu in its user's.
        menus = [prefix.path("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Vexla"),
                 prefix.path("users", os.environ.get("USER", "root"), "AppData", "Roaming", "Microsoft", "Windows",
                             "Start Menu", "Programs", "Vexla")]
        # The user's own files, which no install or uninstall may touch.
        kept = {prefix.path("系统配置", "Vexla配置007.txt"): b"[\xcd\xa8\xd1\xb6\xc9\xe8\xd6\xc3]\r\nport=7\r\n",
                prefix.path("系统配置", "检测记录", "parts-20261209.csv"): b"part,time\r\n1,2026-12-09T08:00\r\n"}
        for path, data in kept.items():
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

        install_args = ["/i", args.msi, "/qn"] + (["ADDLOCAL=Programs"] if args.without_sdk else [])
        if prefix.msiexec(*install_args) != 0:
            failures.append(f"msiexec /i {args.msi} /qn failed")
        for name in programs + ([] if args.without_sdk else SDK):
            if not os.path.isfile(os.path.join(install, name)):
                failures.append(f"not installed: {name}")
        if args.without_sdk and os.path.exists(os.path.join(install, "sdk")):
            failures.append("the SDK was installed though left out")
        drivers = [os.path.join(d, f) for d, _, files in os.walk(prefix.path()) for f in files if f.lower() == "vexla.dll"]
        if drivers != [os.path.join(install, "Vexla.dll")]:
            failures.append(f"Vexla.dll is not once, beside the programs: {drivers}")
        for name in ["Kestrow", "Pellin"] + (["Vexla Station"] if station else []):
            if not any(os.path.isfile(os.path.join(menu, name + ".lnk")) for menu in menus):
                failures.append(f"no Start-menu shortcut {name}")
        if not starts_with_driver(prefix, install):
            failures.append("the installed Kestrow did not run with its driver")

        if prefix.msiexec("/i", args.next, "/qn") != 0:
            failures.append(f"msiexec /i {args.next} /qn (the upgrade) failed")
        entries = prefix.uninstall_entries()
        if len(entries) != 1 or entries[0][1] == properties["ProductVersion"]:
            failures.append(f"after the upgrade the list of programs holds {entries}")

        if prefix.msiexec("/x", args.next, "/qn") != 0:
            failures.append(f"msiexec /x {args.next} /qn failed")
        left = [os.path.join(d, f) for d, _, files in os.walk(install) for f in files]
        if left:
            failures.append(f"the uninstall left {left}")
        for menu in menus:
            if os.path.exists(menu):
                failures.append(f"the uninstall left the Start-menu folder: {os.listdir(menu)}")
        if prefix.uninstall_entries():
            failures.append("the uninstall left its entry in the list of programs")
        for path, data in kept.items():
            if not os.path.isfile(path) or open(path, "rb").read() != data:
                failures.append(f"the user's {path} was changed or removed")
    finally:
        if not os.environ.get("VEXLA_MSI_KEEP"):
            shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("check_msi: " + failure, file=sys.stderr)
    print(f"{os.path.basename(args.msi)}: {'installs, upgrades and uninstalls cleanly' if not failures else 'FAILED'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
