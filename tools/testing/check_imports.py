#!/usr/bin/env python3
"""Checks what a program imports from Vexla.dll: exactly the named
functions, each by its undecorated name (load-time linking by name), or
with --none, nothing at all (a program that binds the driver at run time)."""

import argparse
import re
import subprocess
import sys


def imports_by_dll(objdump, program):
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    tables = {}
    for block in re.split(r"\n\s*DLL Name: ", text)[1:]:
        lines = block.splitlines()
        names = []
        for line in lines[2:]:
            m = re.match(r"^\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$", line)
            if not m:
                break
            names.append(m.group(1))
        tables[lines[0].strip()] = names
    return tables


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--program", required=True)
    ap.add_argument("--none", action="store_true", help="the program must not import Vexla.dll")
    ap.add_argument("names", nargs="*")
    args = ap.parse_args()

    tables = imports_by_dll(args.objdump, args.program)
    vexla = next((names for dll, names in tables.items() if dll.lower() == "vexla.dll"), None)
    if args.none:
        ok = vexla is None
        print(f"{args.program}: {'no import of Vexla.dll: ok' if ok else 'FAIL imports ' + ', '.join(vexla)}")
        return 0 if ok else 1
    if vexla is None:
        print("FAIL no import of Vexla.dll; imported:", ", ".join(tables))
        return 1
    failures = []
    for name in sorted(set(args.names) - set(vexla)):
        failures.append(f"{name} is not imported")
    for name in sorted(set(vexla) - set(args.names)):
        failures.append(f"{name} is imported but not expected")
    if len(vexla) != len(set(vexla)):
        failures.append("a function is imported twice")
    for f in failures:
        print("FAIL", f)
    print(f"{args.program}: {len(vexla)} functions from Vexla.dll: {'ok' if not failures else 'FAILED'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
