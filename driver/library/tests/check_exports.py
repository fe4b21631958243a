#!/usr/bin/env python3
"""Checks the export table of Vexla.dll: every export by its exact name and
ordinal, nothing else exported, and on 32-bit x86 that each export removes its
own arguments from the stack (ret $4N), as hosts compiled for stdcall expect."""

import argparse
import re
import subprocess
import sys

# name: (ordinal, number of 32-bit argument slots)
EXPECTED = {
    "CtrlFirmWare": (1, 1),
    "SetFilter": (2, 1),
    "GetReFlashRate32": (3, 1),
    "GetReFlashRate": (4, 1),
    "HideCtrlForm": (5, 0),
    "ShowCtrlForm": (6, 0),
    "StartPoint": (7, 1),
    "DisConnectComm": (8, 0),
    "GotSerialData": (9, 1),
    "GotSerialData32": (10, 1),
    "ConnectComm": (11, 2),
    "DLL_End_Application": (12, 0),
    "Long2String": (13, 4),
    "SetHardWareZero": (14, 0),
    "SetHardWareZeroCh": (15, 1),
    "SetDataZeroCh": (16, 1),
    "SetDataZero": (17, 0),
    "GetNewData16Ch": (18, 1),
    "GetNewData32Ch": (19, 1),
    "SetNetSegment": (20, 1),
    "EnableCtrls": (21, 3),
}


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def export_table(objdump, dll):
    """Returns {name: (ordinal, rva)} from objdump's reading of .edata."""
    text = run(objdump, "-p", dll)
    base_match = re.search(r"^Ordinal Base\s+(\d+)", text, re.M)
    if not base_match:
        sys.exit("no export table in " + dll)
    base = int(base_match.group(1))
    rvas = {}
    for m in re.finditer(r"^\s*\[\s*(\d+)\] \+base\[\s*(\d+)\] ([0-9a-f]+) Export RVA", text, re.M):
        rvas[int(m.group(2))] = int(m.group(3), 16)
    names = {}
    section = text.split("[Ordinal/Name Pointer] Table", 1)[1]
    for m in re.finditer(r"^\s*\[\s*(\d+)\] (\S+)$", section, re.M):
        ordinal = int(m.group(1)) + base
        names[m.group(2)] = (ordinal, rvas.get(ordinal))
    image_base = int(re.search(r"^ImageBase\s+([0-9a-f]+)", text, re.M).group(1), 16)
    return names, image_base


def function_exits(objdump, dll):
    """Returns {address: (ret operands, tail-jump targets)} for every function
    in the disassembly. A tail jump goes to the start of another function."""
    exits, current = {}, None
    for line in run(objdump, "-d", "--no-show-raw-insn", dll).splitlines():
        head = re.match(r"^([0-9a-f]+) <([^>]+)>:$", line)
        if head:
            current = int(head.group(1), 16)
            exits[current] = ([], [])
            continue
        if current is None:
            continue
        ret = re.match(r"^\s*[0-9a-f]+:\s+ret\s*(\$0x[0-9a-f]+)?", line)
        if ret:
            exits[current][0].append(int(ret.group(1)[3:], 16) if ret.group(1) else 0)
        jump = re.match(r"^\s*[0-9a-f]+:\s+jmp\s+([0-9a-f]+) <([^>+]+)>$", line)
        if jump:
            exits[current][1].append(int(jump.group(1), 16))
    return exits


def returns_of(exits, address, seen=None):
    """Every ret operand that ends a call of the function at `address`,
    following tail jumps (a stdcall function may end by jumping to another
    function that takes the same arguments)."""
    seen = seen if seen is not None else set()
    if address in seen or address not in exits:
        return []
    seen.add(address)
    rets, jumps = exits[address]
    found = list(rets)
    for target in jumps:
        if target != address:
            found += returns_of(exits, target, seen)
    return found


def check_import_def(path):
    """The definition file an import library is made from: every export with
    its ordinal, and where the names carry a stdcall decoration (Name@N), N
    is the bytes of the export's arguments."""
    failures, seen = [], {}
    with open(path) as f:
        for line in f:
            m = re.match(r"^\s+(\w+)(?:@(\d+))?\s+@(\d+)\s*$", line)
            if m:
                seen[m.group(1)] = (int(m.group(3)), None if m.group(2) is None else int(m.group(2)))
    for name, (ordinal, slots) in sorted(EXPECTED.items()):
        if name not in seen:
            failures.append(f"{path}: {name} missing")
            continue
        got_ordinal, got_bytes = seen[name]
        if got_ordinal != ordinal:
            failures.append(f"{path}: {name} has ordinal {got_ordinal}, expected {ordinal}")
        if got_bytes is not None and got_bytes != 4 * slots:
            failures.append(f"{path}: {name}@{got_bytes}, expected @{4 * slots}")
    for name in sorted(set(seen) - set(EXPECTED)):
        failures.append(f"{path}: {name} is not part of the interface")
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--dll", required=True)
    ap.add_argument("--processor", required=True)
    ap.add_argument("--import-def", action="append", default=[],
                    help="a definition file that an import library is made from")
    args = ap.parse_args()

    names, image_base = export_table(args.objdump, args.dll)
    failures = []
    for name, (ordinal, _) in sorted(EXPECTED.items()):
        if name not in names:
            failures.append(f"{name}: not exported")
        elif names[name][0] != ordinal:
            failures.append(f"{name}: ordinal {names[name][0]}, expected {ordinal}")
    for name in sorted(set(names) - set(EXPECTED)):
        failures.append(f"{name}: exported but not part of the interface")

    if args.processor == "i686":
        exits = function_exits(args.objdump, args.dll)
        for name, (_, slots) in sorted(EXPECTED.items()):
            if name not in names:
                continue
            address = image_base + names[name][1]
            rets = returns_of(exits, address)
            if not rets:
                failures.append(f"{name}: no function with a return at {address:#x}")
            elif any(r != 4 * slots for r in rets):
                failures.append(f"{name}: returns with {rets}, expected ret ${4 * slots} (stdcall)")

    for path in args.import_def:
        failures += check_import_def(path)

    for f in failures:
        print("FAIL", f)
    print(f"{len(EXPECTED)} exports checked in {args.dll}: {'ok' if not failures else 'FAILED'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
