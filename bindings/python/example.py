#!/usr/bin/env python3
"""Prints a live table of the gauges that deliver: value, displacement (mm)
and updates per second, once a second for N seconds.

    python3 example.py --seconds 10 --segment 0 --kind 4=0.001

The driver connects with the port and speed of its configuration file for
the segment. Set VEXLA_LIBRARY when the library is not next to the package.
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vexla  # noqa: E402


def kind_option(text):
    number, _, kind = text.partition("=")
    return int(number), float(kind)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--segment", type=int, default=0)
    parser.add_argument("--kind", type=kind_option, action="append", default=[], metavar="GAUGE=0.001",
                        help="gauge number 1..32 and its step in mm (default 0.01)")
    args = parser.parse_args()

    kinds = {number - 1: kind for number, kind in args.kind}
    latest = {}
    with vexla.Driver(segment=args.segment, kinds=kinds) as driver:
        end = time.monotonic() + args.seconds
        next_print = time.monotonic() + 1
        while time.monotonic() < end:
            for reading in driver.fetch():
                if reading.new:
                    latest[reading.index] = reading
            if time.monotonic() >= next_print:
                next_print += 1
                print(f"{'gauge':>5} {'value mm':>10} {'displ. mm':>10} {'per s':>6}")
                for index in sorted(latest):
                    r = latest[index]
                    rate = "-" if r.rate is None else f"{r.rate:.1f}"
                    print(f"{index + 1:>5} {r.value:>10.4f} {r.displacement:>10.4f} {rate:>6}")
                print(flush=True)
            time.sleep(0.05)
    return 0


if __name__ == "__main__":
    sys.exit(main())
