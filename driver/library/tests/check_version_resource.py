#!/usr/bin/env python3
"""Checks the version information of a Windows binary: the fixed file and
product version numbers, and the strings a user sees in the file's
properties (FileVersion, ProductVersion, ProductName, FileDescription)."""

import argparse
import re
import struct
import sys


def version_strings(data):
    """{key: value} of every String in the binary's VS_VERSIONINFO: each is
    wLength, wValueLength, wType, a UTF-16 key, padding to 4 bytes, then the
    UTF-16 value."""
    found = {}
    for key in ("FileVersion", "ProductVersion", "ProductName", "FileDescription", "OriginalFilename"):
        needle = key.encode("utf-16-le") + b"\0\0"
        at = data.find(needle)
        if at < 6:
            continue
        header = at - 6
        length, value_length, kind = struct.unpack_from("<HHH", data, header)
        start = at + len(needle)
        start += (4 - (start - header) % 4) % 4
        value = data[start:start + 2 * value_length].decode("utf-16-le", errors="replace")
        found[key] = value.rstrip("\0")
    return found


def fixed_versions(data):
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    ms_file, ls_file, ms_product, ls_product = struct.unpack_from("<IIII", data, at + 8)
    as_text = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}"
    return as_text(ms_file, ls_file), as_text(ms_product, ls_product)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--file", required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--product", required=True)
    ap.add_argument("--description", required=True, help="\\xNNNN for a character outside ASCII")
    args = ap.parse_args()
    args.description = re.sub(r"\\x([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), args.description)
    with open(args.file, "rb") as f:
        data = f.read()

    failures = []
    fixed = fixed_versions(data)
    if fixed is None:
        failures.append("no VS_FIXEDFILEINFO")
    elif fixed != (args.version, args.version):
        failures.append(f"fixed file/product version {fixed}, expected {args.version}")
    strings = version_strings(data)
    expected = {"FileVersion": args.version, "ProductVersion": args.version, "ProductName": args.product,
                "FileDescription": args.description}
    for key, value in expected.items():
        if strings.get(key) != value:
            failures.append(f"{key} is {strings.get(key)!r}, expected {value!r}")
    for f in failures:
        print("FAIL", f)
    print(f"{args.file}: version information {'ok' if not failures else 'FAILED'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
