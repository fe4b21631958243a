#!/usr/bin/env python3
"""Checks the two import libraries against the driver's exports.

Vexla.lib (for Visual C++), read with llvm-readobj: one short import per
export, whose import name is the export's undecorated name, and on 32-bit
x86 the symbols a stdcall caller links with (_Name@N, __imp__Name@N).
libVexla.dll.a (for MinGW), read with nm: the same symbols."""

import argparse
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_exports import EXPECTED  # noqa: E402


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def caller_symbols(name, slots, processor):
    if processor == "i686":
        return {f"_{name}@{4 * slots}", f"__imp__{name}@{4 * slots}"}
    return {name, f"__imp_{name}"}


def check_msvc(readobj, lib, processor):
    failures = []
    imports = {}  # symbol -> name type
    for block in run(readobj, lib).split("\n\n"):
        kind = re.search(r"Name type: (\S+)", block)
        for symbol in re.findall(r"Symbol: (\S+)", block):
            imports[symbol] = kind.group(1) if kind else None
    wanted_type = "undecorate" if processor == "i686" else "name"
    for name, (_, slots) in sorted(EXPECTED.items()):
        for symbol in caller_symbols(name, slots, processor):
            if symbol not in imports:
                failures.append(f"Vexla.lib: no {symbol}")
            elif imports[symbol] != wanted_type:
                failures.append(f"Vexla.lib: {symbol} imports by '{imports[symbol]}', expected '{wanted_type}'")
    return failures


def check_mingw(nm, lib, processor):
    symbols = set(re.findall(r"^[0-9a-f]*\s+[TI]\s+(\S+)$", run(nm, lib), re.M))
    failures = []
    for name, (_, slots) in sorted(EXPECTED.items()):
        for symbol in caller_symbols(name, slots, processor):
            if symbol not in symbols:
                failures.append(f"libVexla.dll.a: no {symbol}")
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--readobj", required=True)
    ap.add_argument("--nm", required=True)
    ap.add_argument("--msvc-lib", required=True)
    ap.add_argument("--mingw-lib", required=True)
    ap.add_argument("--processor", required=True)
    args = ap.parse_args()
    failures = check_msvc(args.readobj, args.msvc_lib, args.processor)
    failures += check_mingw(args.nm, args.mingw_lib, args.processor)
    for f in failures:
        print("FAIL", f)
    print(f"{len(EXPECTED)} imports in each library: {'ok' if not failures else 'FAILED'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
