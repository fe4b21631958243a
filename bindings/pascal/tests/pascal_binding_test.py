#!/usr/bin/env python3
"""The Pascal binding: its declarations against include/vexla.h, then the
test program and the example, compiled with fpc in Delphi mode, against
libVexla.so and gaugesim (gauges 1-4 still at 2.5 mm on COM 47) in a home
of their own.

Usage: pascal_binding_test.py --fpc FPC --source DIR --header VEXLA_H
           --layout PROGRAM --bin LIBRARY_DIR --gaugesim PROGRAM --work DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests"))
import vexla_header  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, failures, passes, summary  # noqa: E402

PORT = 47
NOBODY = 48  # a port no simulator serves: a wrong segment reads nothing from it
SEGMENT = 7  # the test program's; the example reads segment 0's file

# Value parameters and results; a var parameter is the pointer.
PASCAL_SIZES = {"integer": 4, "cardinal": 4, "smallint": 2, "byte": 1}
CONVENTION = "{$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}"
DECLARATION = re.compile(
    r"\b(procedure|function)\s+(\w+)\s*(?:\(([^)]*)\))?\s*(?::\s*(\w+))?\s*;"
    r"((?:(?!\b(?:procedure|function)\b).)*?)\bexternal\s+(\w+)(?:\s+name\s+'([^']*)')?\s*;",
    re.S | re.I)


def strip_comments(text):
    # Braces that open a directive ({$...}) stay.
    text = re.sub(r"\{(?!\$)[^}]*\}", " ", text)
    return re.sub(r"//[^\n]*", " ", text)


def check_declarations(unit_path, header_path):
    text = strip_comments(open(unit_path, encoding="utf-8").read())
    interface = text.split("implementation", 1)[0]
    prototypes = vexla_header.read_prototypes(header_path)
    structs = vexla_header.read_struct_names(header_path)
    arrays = {name.lower(): (int(last) + 1, element.lower())
              for name, last, element in re.findall(r"(\w+)\s*=\s*array\s*\[\s*0\s*\.\.\s*(\d+)\s*\]\s*of\s+(\w+)",
                                                    interface, re.I)}

    library = re.search(r"\{\$IFDEF MSWINDOWS\}\s*VexlaLibrary\s*=\s*'([^']*)'\s*;\s*\{\$ELSE\}\s*"
                        r"VexlaLibrary\s*=\s*'([^']*)'\s*;\s*\{\$ENDIF\}", interface)
    check(library is not None and library.groups() == ("Vexla.dll", "libVexla.so"),
          "VexlaLibrary: Vexla.dll on Windows, libVexla.so elsewhere")

    declared = {}
    for kind, name, params, result, directives, lib, external_name in DECLARATION.findall(interface):
        declared.setdefault(name, []).append((kind.lower(), params, result, directives, lib, external_name))
    check(len(re.findall(r"\bexternal\b", interface, re.I)) == sum(map(len, declared.values())),
          "every external declaration has the form the check reads")
    check(set(declared) == set(prototypes),
          f"the unit declares the header's {len(prototypes)} exports "
          f"(missing {sorted(set(prototypes) - set(declared))}, extra {sorted(set(declared) - set(prototypes))})")

    for name, proto in sorted(prototypes.items()):
        if len(declared.get(name, [])) != 1:
            check(False, f"{name} is declared once (found {len(declared.get(name, []))})")
            continue
        kind, params, result, directives, lib, external_name = declared[name][0]
        problems = []
        if "".join(directives.split()) != "".join(CONVENTION.split()) + ";":
            problems.append(f"calling convention '{' '.join(directives.split())}'")
        if lib != "VexlaLibrary" or external_name != name:
            problems.append(f"bound as {lib} name '{external_name}'")
        if proto.result == "void":
            if kind != "procedure":
                problems.append("a function, C returns nothing")
        elif kind != "function" or PASCAL_SIZES.get(result.lower()) != vexla_header.C_SIZES[proto.result]:
            problems.append(f"result {result or 'none'} for C {proto.result}")

        args = []
        for group in filter(None, (g.strip() for g in params.split(";"))):
            m = re.fullmatch(r"(?:(var|const|out)\s+)?([\w\s,]+?)\s*:\s*(\w+)", " ".join(group.split()), re.I)
            if not m:
                problems.append(f"cannot read '{group}'")
                continue
            args += [((m[1] or "").lower(), m[3])] * len(m[2].split(","))
        if len(args) != len(proto.arguments):
            problems.append(f"{len(args)} parameters, C has {len(proto.arguments)}")
        for (mode, ptype), carg in zip(args, proto.arguments):
            if not carg.pointer:
                if mode or PASCAL_SIZES.get(ptype.lower()) != vexla_header.C_SIZES[carg.ctype]:
                    problems.append(f"{carg.name}: {mode} {ptype} for C {carg.ctype}")
            elif carg.ctype == "char":
                if mode or ptype.lower() != "pansichar":
                    problems.append(f"{carg.name}: {mode} {ptype} for C char*")
            elif carg.ctype in structs:
                if mode != "var" or ptype != "T" + carg.ctype:
                    problems.append(f"{carg.name}: {mode} {ptype} for C {carg.ctype}*")
            else:
                # An array of numbers; the C name says how many (rates32).
                count, element = arrays.get(ptype.lower(), (None, None))
                wanted = re.search(r"(\d+)$", carg.name)
                if (mode != "var" or PASCAL_SIZES.get(element) != vexla_header.C_SIZES[carg.ctype]
                        or (wanted and int(wanted[1]) != count)):
                    problems.append(f"{carg.name}: {mode} {ptype} for C {carg.ctype}* ({count} of {element})")
        check(not problems, f"{name} as in the header" + (": " + "; ".join(problems) if problems else ""))


def write_settings(folder, segment, port):
    text = ("[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=%d\r\n波特率=19200\r\n"
            "[用户参数]\r\n显示DLL小窗口=0\r\n" % port)
    with open(os.path.join(folder, "Vexla配置%03d.txt" % segment), "wb") as f:
        f.write(text.encode("gbk"))


def compile_program(args, source, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    # Warnings are errors: a user's Delphi would warn about them too.
    command = [args.fpc, "-Mdelphi", "-Sew", "-vw", "-FU" + out_dir, "-FE" + out_dir, "-Fu" + args.source,
               "-Fl" + args.bin, "-k-rpath=" + args.bin, source]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120)
    name = os.path.splitext(os.path.basename(source))[0]
    check(result.returncode == 0, f"fpc compiles {os.path.basename(source)} in Delphi mode")
    if result.returncode != 0:
        print(result.stdout[-3000:], result.stderr[-2000:])
        return None
    return os.path.join(out_dir, name)


def run_live(args, test_program, example, layout_file, work):
    home = tempfile.mkdtemp(prefix="pascal-binding-", dir=work)
    config = os.path.join(home, ".config")
    folder = os.path.join(config, "系统配置")
    os.makedirs(folder)
    write_settings(folder, SEGMENT, PORT)
    write_settings(folder, 0, NOBODY)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, WINEPREFIX=os.path.join(home, "wine"))
    sim_log = os.path.join(home, "gaugesim.log")
    sim = subprocess.Popen([args.gaugesim, "--format", "3", "--com", str(PORT), "--channels",
                            "1-4", "--motion", "still", "--position", "2.5"],
                           env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    try:
        link = os.path.join(config, "vexla", "dosdevices", "com%d" % PORT)
        deadline = time.monotonic() + 10
        while not os.path.lexists(link) and time.monotonic() < deadline:
            time.sleep(0.05)
        check(os.path.lexists(link), f"gaugesim is up on COM {PORT}")

        if test_program:
            result = subprocess.run([test_program, layout_file], env=env, capture_output=True, text=True, timeout=90)
            print(result.stdout, end="")
            print(result.stderr, end="")
            check(result.returncode == 0 and "FAILED" not in result.stdout,
                  f"the Pascal test program passes (status {result.returncode})")

        if example:
            # The port is free again only if the test program ended the session.
            write_settings(folder, 0, PORT)
            result = subprocess.run([example, "2"], env=env, capture_output=True, text=True, timeout=30)
            out = result.stdout
            check(result.returncode == 0, f"the example ends with status 0 ({result.returncode}: {result.stderr})")
            check(re.search(r"^-- 2 s --$", out, re.M) is not None, "the example prints a table each second")
            rows = {c: " ".join(text.split()) for c, text in
                    re.findall(r"^ (\d\d)  (.*)$", out.split("-- 2 s --")[-1], re.M)}
            check(re.fullmatch(r"2\.500 2\.500 [4-6]\.\d/s", rows.get("01", "")) is not None
                  and rows.get("03", "").startswith("0.000 ")  # zeroed in hardware by the test program
                  and rows.get("05") == "-- -- silent" and len(rows) == 32,
                  f"the example's last table: channel 1 at 2.500 mm with its rate, 3 at 0, 5 silent: {rows}")
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    if failures:
        print("gaugesim's log:\n" + open(sim_log, errors="replace").read()[-2000:])
    else:
        shutil.rmtree(home, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    for option in ("--fpc", "--source", "--header", "--layout", "--bin", "--gaugesim", "--work"):
        ap.add_argument(option, required=True)
    args = ap.parse_args()

    check_declarations(os.path.join(args.source, "Vexla.pas"), args.header)

    os.makedirs(args.work, exist_ok=True)
    # Homes kept by failed runs before.
    for old in os.listdir(args.work):
        if old.startswith("pascal-binding-"):
            shutil.rmtree(os.path.join(args.work, old), ignore_errors=True)
    layout_file = os.path.join(args.work, "layout.txt")
    with open(layout_file, "w") as f:
        f.write(subprocess.run([args.layout], capture_output=True, text=True, check=True, timeout=30).stdout)
    test_program = compile_program(args, os.path.join(args.source, "tests", "binding_test.dpr"),
                                   os.path.join(args.work, "test"))
    example = compile_program(args, os.path.join(args.source, "example.dpr"), os.path.join(args.work, "example"))
    run_live(args, test_program, example, layout_file, args.work)

    return summary("pascal binding test")


if __name__ == "__main__":
    sys.exit(main())
