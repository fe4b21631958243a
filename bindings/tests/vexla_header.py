"""What the bindings' declaration tests compare with: the exports as
include/vexla.h declares them, and the record layouts as
vexla_header_layout prints them."""

import re
import subprocess
from dataclasses import dataclass

# Sizes of the C types the header uses; a pointer is marked apart.
C_SIZES = {"int32_t": 4, "uint32_t": 4, "int16_t": 2, "uint16_t": 2, "int8_t": 1, "uint8_t": 1, "char": 1,
           "void": 0}

PROTOTYPE = re.compile(r"VEXLA_API\s+(\w+)\s+VEXLA_CALL\s+(\w+)\s*\(([^)]*)\)\s*;")
ARGUMENT = re.compile(r"^(?:const\s+)?(\w+)\s*(\*?)\s*(\w+)$")
STRUCT = re.compile(r"typedef\s+struct\s+(\w+)\s*\{")


@dataclass(frozen=True)
class Argument:
    ctype: str  # the pointee's type for a pointer
    pointer: bool
    name: str


@dataclass(frozen=True)
class Prototype:
    name: str
    result: str
    arguments: tuple


def _strip_comments(text):
    return re.sub(r"//[^\n]*", "", re.sub(r"/\*.*?\*/", " ", text, flags=re.S))


def read_prototypes(header_path):
    """{name: Prototype} of every exported function; unknown types raise."""
    text = _strip_comments(open(header_path, encoding="utf-8").read())
    structs = set(STRUCT.findall(text))
    prototypes = {}
    for result, name, args in PROTOTYPE.findall(text):
        arguments = []
        if args.strip() != "void":
            for arg in args.split(","):
                m = ARGUMENT.match(" ".join(arg.split()))
                if not m or not (m[1] in C_SIZES or (m[1] in structs and m[2])):
                    raise ValueError(f"{name}: cannot read the argument '{arg.strip()}'")
                arguments.append(Argument(m[1], m[2] == "*", m[3]))
        if result not in C_SIZES:
            raise ValueError(f"{name}: unknown result type {result}")
        if name in prototypes:
            raise ValueError(f"{name} is declared twice")
        prototypes[name] = Prototype(name, result, tuple(arguments))
    return prototypes


def read_struct_names(header_path):
    return set(STRUCT.findall(_strip_comments(open(header_path, encoding="utf-8").read())))


def read_layouts(layout_program):
    """{record: {"size": n, field: offset, ...}} from vexla_header_layout."""
    out = subprocess.run([layout_program], capture_output=True, text=True, check=True, timeout=30).stdout
    layouts = {}
    for line in out.splitlines():
        m = re.fullmatch(r"(\w+) size (\d+)|(\w+)\.(\w+) (\d+)", line.strip())
        if not m:
            raise ValueError(f"unexpected line from {layout_program}: {line!r}")
        if m[1]:
            layouts.setdefault(m[1], {})["size"] = int(m[2])
        else:
            layouts.setdefault(m[3], {})[m[4]] = int(m[5])
    return layouts


def field_key(name):
    """relative_flag, RelativeFlag and relativeFlag name the same field."""
    return name.replace("_", "").lower()
