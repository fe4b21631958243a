#!/usr/bin/env python3
"""The package builds as a wheel, pure without a library and for this
platform with one; the wheel with the library, unpacked, loads that library
without VEXLA_LIBRARY. Builds in a copy, so the source tree stays clean.

Usage: wheel_test.py BIN_DIR   (exit status 77: no wheel builder here)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, summary  # noqa: E402

BIN = os.path.abspath(sys.argv[1])
PACKAGE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIPPED = 77


def builder():
    """A command that builds a wheel without fetching anything, or None."""
    for python in dict.fromkeys([sys.executable, "/usr/bin/python3"]):
        def has(modules):
            return shutil.which(python) and subprocess.run(
                [python, "-c", f"import {modules}"], capture_output=True).returncode == 0
        if has("build, setuptools, wheel"):
            return [python, "-m", "build", "--no-isolation", "--wheel", "--outdir"]
        if has("pip, setuptools, wheel"):
            return [python, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "--wheel-dir"]
    return None


def build_wheel(command, work, name, library=None):
    source = os.path.join(work, name)
    shutil.copytree(PACKAGE, source, ignore=shutil.ignore_patterns("tests", "build", "*.egg-info", "__pycache__",
                                                                    "libVexla.so", "Vexla.dll"))
    if library:
        shutil.copy(library, os.path.join(source, "vexla"))
    out = os.path.join(work, name + "-wheel")
    run = subprocess.run(command + [out, source], capture_output=True, text=True, cwd=source, timeout=120)
    wheels = os.listdir(out) if os.path.isdir(out) else []
    if run.returncode != 0 or len(wheels) != 1:
        print(run.stdout[-3000:], run.stderr[-3000:])
        raise RuntimeError(f"building the {name} wheel failed ({run.returncode})")
    return os.path.join(out, wheels[0])


def main():
    command = builder()
    if command is None:
        print("skipped: no python3 with setuptools, wheel and build or pip (tools/install-deps.sh installs them)")
        return SKIPPED
    with open(os.path.join(PACKAGE, "vexla", "__init__.py")) as f:
        version = re.search(r'__version__ = "([^"]+)"', f.read())[1]
    work = tempfile.mkdtemp(prefix="vexla-wheel-")
    try:
        pure = build_wheel(command, work, "pure")
        check(os.path.basename(pure) == f"vexla-{version}-py3-none-any.whl", f"pure wheel's name: {pure}")
        with zipfile.ZipFile(pure) as z:
            names = z.namelist()
            metadata = z.read(f"vexla-{version}.dist-info/METADATA").decode()
        check("vexla/__init__.py" in names, "the package is in the wheel")
        check(not any(n.endswith((".so", ".dll")) for n in names), f"no library without one to carry: {names}")
        check(f"Version: {version}" in metadata and "Name: vexla" in metadata, "name and version in METADATA")

        binary = build_wheel(command, work, "binary", os.path.join(BIN, "libVexla.so"))
        check(re.fullmatch(rf"vexla-{re.escape(version)}-py3-none-linux_\w+\.whl", os.path.basename(binary)),
              f"a wheel with the library is for this platform: {os.path.basename(binary)}")
        site = os.path.join(work, "site")
        with zipfile.ZipFile(binary) as z:
            check({"vexla/__init__.py", "vexla/libVexla.so"} <= set(z.namelist()), "the library is in the wheel")
            z.extractall(site)
        env = {k: v for k, v in os.environ.items() if k != "VEXLA_LIBRARY"}
        env.update(PYTHONPATH=site, HOME=work, XDG_CONFIG_HOME=os.path.join(work, ".config"))
        run = subprocess.run([sys.executable, "-c", "import vexla; print(vexla.library()._name); "
                              "print(repr(vexla.format_value(2500, 3, 8)))"],
                             capture_output=True, text=True, env=env, cwd=work, timeout=60)
        check(run.stdout.splitlines() == [os.path.join(site, "vexla", "libVexla.so"), "'   2.500'"],
              f"the installed package loads the library beside it: {run.stdout!r} {run.stderr[-500:]!r}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return summary("python wheel test")


if __name__ == "__main__":
    sys.exit(main())
