#!/usr/bin/env python3
"""The VB6 / VBA module against include/vexla.h, as far as no VB runtime is
needed: every export declared once in each branch of #If VBA7 with the
header's arguments passed as VB passes them, and the user-defined types laid
out by VB's rules (VB6 and 64-bit VBA) where the C compiler puts the fields.
Example.bas is held to the same rules for its own declarations.

Usage: vb_declarations_test.py --module Vexla.bas --example Example.bas
           --header vexla.h --layout PROGRAM
"""

import argparse
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests"))
import vexla_header  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, passes, summary  # noqa: E402

# (size, alignment) of VB's types in a user-defined type, per target; a
# pointer's size is LongPtr's. VB6 aligns no member beyond 4 bytes.
VB_TYPES = {
    "vb6": {"byte": 1, "boolean": 2, "integer": 2, "long": 4, "single": 4, "double": 8, "currency": 8,
            "longptr": None, "longlong": None},
    "vba64": {"byte": 1, "boolean": 2, "integer": 2, "long": 4, "single": 4, "double": 8, "currency": 8,
              "longptr": 8, "longlong": 8},
}
MAX_ALIGN = {"vb6": 4, "vba64": 8}
POINTER = {"vb6": 4, "vba64": 8}

DECLARE = re.compile(r"(?:(Public|Private)\s+)?Declare\s+(PtrSafe\s+)?(Sub|Function)\s+(\w+)\s+Lib\s+\"([^\"]+)\""
                     r"(?:\s+Alias\s+\"([^\"]+)\")?\s*\((.*)\)(?:\s+As\s+(\w+))?$", re.I)
PARAMETER = re.compile(r"(Optional\s+)?(?:(ByVal|ByRef)\s+)?(\w+)(\(\))?\s+As\s+(\w+)$", re.I)
FIELD = re.compile(r"(\w+)(?:\((?:(\d+)\s+To\s+)?(\d+)\))?\s+As\s+(\w+)$", re.I)


def without_comment(line):
    """The line up to a ' (or Rem) outside a string."""
    in_string = False
    for i, ch in enumerate(line):
        if ch == '"':
            in_string = not in_string
        elif ch == "'" and not in_string:
            return line[:i]
    return "" if re.match(r"\s*Rem\b", line, re.I) else line


def logical_lines(text):
    """(line number, text) with comments cut and ' _' continuations joined."""
    lines, pending, start = [], "", 0
    for number, line in enumerate(text.splitlines(), 1):
        code = without_comment(line).rstrip()
        if not pending:
            start = number
        if code.endswith(" _"):
            pending += code[:-1] + " "
            continue
        joined = " ".join((pending + code).split())
        pending = ""
        if joined:
            lines.append((start, joined))
    return lines


def read_module(path, what):
    """The module's declares per branch and its types; checks its form."""
    raw = open(path, "rb").read()
    check(all(b < 0x80 for b in raw), f"{what} is plain ASCII, as VB6 reads it on any code page")
    check(b"\n" not in raw.replace(b"\r\n", b"") and raw.endswith(b"\r\n"),
          f"{what} has CR LF line ends throughout (VB6 joins lines without them)")
    text = raw.decode("ascii", errors="replace")
    check(re.match(r'Attribute VB_Name = "\w+"\r\n', text) is not None, f"{what} names its module first")

    declares, types, branch, current, problems = [], {}, None, None, []
    for number, line in logical_lines(text):
        low = line.lower()
        if low == "#if vba7 then":
            if branch is not None:
                problems.append(f"line {number}: #If VBA7 inside another")
            branch = "vba7"
        elif low == "#else" and branch == "vba7":
            branch = "vb6"
        elif low == "#end if" and branch is not None:
            branch = None
        elif low.startswith("#"):
            problems.append(f"line {number}: conditional '{line}' the check does not read")
        elif low.startswith("option base"):
            problems.append(f"line {number}: {line} (array bounds below are written with 0)")
        elif m := re.fullmatch(r"(?:(?:Public|Private)\s+)?Type\s+(\w+)", line, re.I):
            current = types.setdefault(m[1], [])
        elif low == "end type":
            current = None
        elif current is not None:
            f = FIELD.fullmatch(line)
            if not f:
                problems.append(f"line {number}: cannot read the field '{line}'")
                continue
            lower = int(f[2]) if f[2] else 0
            count = int(f[3]) - lower + 1 if f[3] else 1
            current.append((f[1], f[4].lower(), count))
        elif re.search(r"\bDeclare\b", line, re.I):
            m = DECLARE.fullmatch(line)
            if not m:
                problems.append(f"line {number}: cannot read '{line}'")
                continue
            params = []
            for p in filter(None, (p.strip() for p in m[7].split(","))):
                pm = PARAMETER.fullmatch(p)
                if not pm:
                    problems.append(f"line {number}: cannot read the parameter '{p}'")
                    continue
                params.append(((pm[2] or "").lower(), pm[3], bool(pm[4]), pm[5].lower()))
            declares.append({"line": number, "branch": branch, "ptrsafe": bool(m[2]), "kind": m[3].lower(),
                             "name": m[4], "lib": m[5], "alias": m[6], "params": params,
                             "result": (m[8] or "").lower()})
    check(not problems, f"{what} reads cleanly" + ("".join("\n  " + p for p in problems)))
    check(branch is None, f"{what}: every #If VBA7 is closed")

    form = []
    for d in declares:
        where = f"line {d['line']} ({d['name']})"
        if d["branch"] is None:
            form.append(f"{where}: outside #If VBA7 / #Else")
        elif d["ptrsafe"] != (d["branch"] == "vba7"):
            form.append(f"{where}: PtrSafe belongs in the VBA7 branch only")
        if d["branch"] == "vb6" and (any(p[3] == "longptr" for p in d["params"]) or d["result"] == "longptr"):
            form.append(f"{where}: LongPtr, which VB6 does not know")
        if not all(p[0] for p in d["params"]):
            # VB's default, ByRef, would pass a number's address.
            form.append(f"{where}: a parameter without ByVal or ByRef")
    check(not form, f"{what}: every Declare in both branches of #If VBA7, PtrSafe in the VBA7 one, "
                    "ByVal/ByRef spelled out" + "".join("\n  " + f for f in form))
    for branch in ("vba7", "vb6"):
        own = {(d["alias"] or d["name"]) for d in declares if d["branch"] == branch}
        mirror = {(d["alias"] or d["name"]) for d in declares if d["branch"] != branch and d["branch"]}
        check(own == mirror, f"{what}: the {branch} branch declares what the other one does ({sorted(own ^ mirror)})")
    return declares, types


def vb_type_size(vb_type, target, types):
    if vb_type in VB_TYPES[target]:
        return VB_TYPES[target][vb_type]
    udt = next((name for name in types if name.lower() == vb_type), None)
    return udt_layout(types, udt, target)["size"] if udt else None


def udt_layout(types, name, target):
    """{"size": n, field: offset} by VB's rules: each member on its type's
    alignment, at most MAX_ALIGN, the size rounded to the largest of them."""
    offset, largest, layout = 0, 1, {}
    for field, vb_type, count in types[name]:
        size = VB_TYPES[target].get(vb_type)
        if size is None:
            raise ValueError(f"{name}.{field}: {vb_type} has no size for {target}")
        align = min(size, MAX_ALIGN[target])
        offset = (offset + align - 1) // align * align
        layout[vexla_header.field_key(field)] = offset
        offset += size * count
        largest = max(largest, align)
    layout["size"] = (offset + largest - 1) // largest * largest
    return layout


def check_exports(declares, types, prototypes, structs):
    for branch, target in (("vba7", "vba64"), ("vb6", "vb6")):
        mine = [d for d in declares if d["branch"] == branch and d["lib"].lower() == "vexla.dll"]
        names = [d["alias"] or d["name"] for d in mine]
        check(sorted(names) == sorted(prototypes),
              f"{branch}: each of the header's {len(prototypes)} exports declared once "
              f"(missing {sorted(set(prototypes) - set(names))}, "
              f"twice {sorted({n for n in names if names.count(n) > 1})}, extra {sorted(set(names) - set(prototypes))})")
        for d in mine:
            proto = prototypes.get(d["alias"] or d["name"])
            if proto is None:
                continue
            problems = []
            if d["lib"] != "Vexla.dll":
                problems.append(f'Lib "{d["lib"]}"')
            if d["alias"] is not None and d["alias"] == d["name"]:
                problems.append("an Alias that repeats the name")
            if proto.result == "void":
                if d["kind"] != "sub":
                    problems.append("a Function, C returns nothing")
            elif d["kind"] != "function" or vb_type_size(d["result"], target, types) != vexla_header.C_SIZES[
                    proto.result]:
                problems.append(f"result As {d['result'] or '(none)'} for C {proto.result}")
            if len(d["params"]) != len(proto.arguments):
                problems.append(f"{len(d['params'])} parameters, C has {len(proto.arguments)}")
            for (how, pname, is_array, vb_type), carg in zip(d["params"], proto.arguments):
                size = vb_type_size(vb_type, target, types)
                if is_array:
                    problems.append(f"{pname}(): a Declare cannot pass a VB array, only its first element")
                elif not carg.pointer:
                    if how != "byval" or size != vexla_header.C_SIZES[carg.ctype]:
                        problems.append(f"{pname}: {how} As {vb_type} for C {carg.ctype}")
                elif how == "byval" and vb_type == "string":
                    if carg.ctype != "char":
                        problems.append(f"{pname}: a String for C {carg.ctype}*")
                elif how == "byval":
                    if size != POINTER[target]:
                        problems.append(f"{pname}: ByVal As {vb_type} ({size} bytes) for a "
                                        f"{POINTER[target]}-byte pointer")
                elif carg.ctype in structs:
                    if vb_type != carg.ctype.lower():
                        problems.append(f"{pname}: ByRef As {vb_type} for C {carg.ctype}*")
                elif carg.ctype == "char" or size != vexla_header.C_SIZES[carg.ctype]:
                    problems.append(f"{pname}: ByRef As {vb_type} for C {carg.ctype}*")
            check(not problems, f"{branch} {d['name']} as in the header" +
                  (": " + "; ".join(problems) if problems else ""))


def check_layouts(types, layouts):
    for record, c_layout in sorted(layouts.items()):
        if record not in types:
            check(False, f"Type {record} is declared")
            continue
        c = {(k if k == "size" else vexla_header.field_key(k)): v for k, v in c_layout.items()}
        for target in ("vb6", "vba64"):
            vb = udt_layout(types, record, target)
            check(vb == c, f"Type {record} in {target}: fields and size where C has them"
                           + ("" if vb == c else f"\n  C:  {c}\n  VB: {vb}"))


def main():
    ap = argparse.ArgumentParser()
    for option in ("--module", "--example", "--header", "--layout"):
        ap.add_argument(option, required=True)
    args = ap.parse_args()

    prototypes = vexla_header.read_prototypes(args.header)
    structs = vexla_header.read_struct_names(args.header)
    declares, types = read_module(args.module, "Vexla.bas")
    check_exports(declares, types, prototypes, structs)
    check_layouts(types, vexla_header.read_layouts(args.layout))

    example_declares, example_types = read_module(args.example, "Example.bas")
    check(all(d["lib"].lower() != "vexla.dll" for d in example_declares) and not example_types,
          "Example.bas takes the driver's declarations and types from Vexla.bas")

    return summary("vb declarations test")


if __name__ == "__main__":
    sys.exit(main())
