#!/usr/bin/env python3
"""Checks the release in dist/: the Windows zip holds what a user needs for
both architectures; the Debian package says what it is, installs into a
throwaway root, and its library loads by name from there."""

import argparse
import glob
import os
import subprocess
import sys
import tempfile
import zipfile

WINDOWS_FILES = ["Vexla.dll", "libVexla.dll.a", "Vexla.lib", "Kestrow.exe", "VexlaStation.exe", "Pellin.exe",
                 "vexla-rec.exe"]
DEB_FILES = ["usr/include/vexla.h", "usr/bin/gaugesim", "usr/bin/kestrow", "usr/bin/pellin", "usr/bin/vexla-rec",
             "usr/bin/vexla-station", "usr/share/doc/vexla/user-guide.md"]


def check_zip(path, version):
    failures = []
    top = f"vexla-{version}-windows/"
    with zipfile.ZipFile(path) as z:
        names = set(z.namelist())
        bad = z.testzip()
        if bad:
            failures.append(f"{path}: {bad} is damaged")
    for arch in ("x64", "x86"):
        for name in WINDOWS_FILES:
            if top + f"{arch}/{name}" not in names:
                failures.append(f"{path}: no {arch}/{name}")
    for name in ("include/vexla.h", "user-guide.md", "README.md", "bindings/c/example.c"):
        if top + name not in names:
            failures.append(f"{path}: no {name}")
    if any("/tests/" in n or n.endswith("CMakeLists.txt") for n in names):
        failures.append(f"{path}: holds our tests or build files")
    print(f"{os.path.basename(path)}: {len(names)} files")
    return failures


def check_deb(path, version):
    failures = []
    info = subprocess.run(["dpkg-deb", "--info", path], check=True, capture_output=True, text=True).stdout
    for line in ("Package: vexla", f"Version: {version}", "Architecture: amd64"):
        if line not in info:
            failures.append(f"{path}: the control data lacks '{line}'")
    with tempfile.TemporaryDirectory(prefix="vexla-deb-") as root:
        subprocess.run(["dpkg-deb", "-x", path, root], check=True)
        for name in DEB_FILES:
            if not os.path.exists(os.path.join(root, name)):
                failures.append(f"{path}: installs no /{name}")
        libraries = glob.glob(os.path.join(root, "usr/lib/**/libVexla.so"), recursive=True)
        if len(libraries) != 1:
            failures.append(f"{path}: installs {len(libraries)} libVexla.so")
        else:
            # By name, as a host loads it, from the installed folder only.
            folder = os.path.dirname(libraries[0])
            probe = ("import ctypes; lib = ctypes.CDLL('libVexla.so'); buf = ctypes.create_string_buffer(13); "
                     "lib.Long2String(12345, 3, buf, 13); print(buf.value.decode())")
            run = subprocess.run([sys.executable, "-c", probe], capture_output=True, text=True,
                                 env=dict(os.environ, LD_LIBRARY_PATH=folder))
            if run.returncode != 0 or run.stdout.strip() != "12.345":
                failures.append(f"{path}: the installed library did not load by name: {run.stderr.strip()}")
        helped = subprocess.run([os.path.join(root, "usr/bin/gaugesim"), "--help"], capture_output=True, text=True)
        if helped.returncode != 0:
            failures.append(f"{path}: the installed gaugesim does not run")
    print(f"{os.path.basename(path)}: control data and installed files checked")
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dist", required=True)
    ap.add_argument("--version", required=True)
    args = ap.parse_args()
    failures = []
    zips = glob.glob(os.path.join(args.dist, f"vexla-{args.version}-windows.zip"))
    debs = glob.glob(os.path.join(args.dist, f"vexla_{args.version}_amd64.deb"))
    if len(zips) != 1 or len(debs) != 1:
        failures.append(f"expected one zip and one deb of {args.version} in {args.dist}: {os.listdir(args.dist)}")
    for arch in ("x64", "x86"):
        # Checked under Wine by tools/msi/check_msi.py as make dist builds them.
        if not os.path.isfile(os.path.join(args.dist, f"vexla-{args.version}-{arch}.msi")):
            failures.append(f"no vexla-{args.version}-{arch}.msi in {args.dist}")
    for z in zips:
        failures += check_zip(z, args.version)
    for d in debs:
        failures += check_deb(d, args.version)
    for f in failures:
        print("FAIL", f)
    print(f"dist check: {0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
