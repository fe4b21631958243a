#!/usr/bin/env python3
"""Writes a recording as vexla-rec writes it, with made-up readings, and a
limits file to go with it: for timing the report on big files and for the
report's screenshot.

Every channel reads at the same rate. Channels take turns at three shapes:
a ramp (a slow sawtooth that runs past both limits), a sine with a rare
spike outside, and noise around the nominal with a few readings outside.
The last channels are 0.001 mm gauges when --fine is given. With --limits
the rows carry their judgement, as when the recorder was given the limits.
"""

import argparse
import datetime
import math
import random
import sys

SHAPES = ("ramp", "sine", "noise")
NAMES = ("bore depth", "flange height", "shaft run-out", "face flatness")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True, help="the CSV file")
    parser.add_argument("--limits", help="also write a limits file for it")
    parser.add_argument("--channels", type=int, default=32, help="1 to 32 (default 32)")
    parser.add_argument("--seconds", type=float, default=3600, help="length of the run (default 3600)")
    parser.add_argument("--rate", type=float, default=20, help="readings per second per channel (default 20)")
    parser.add_argument("--fine", type=int, default=0, help="how many of the last channels are 0.001 mm gauges")
    parser.add_argument("--start", default="2026-12-08T08:00:00", help="local start time")
    parser.add_argument("--offset", default="+01:00", help="UTC offset of the local time")
    args = parser.parse_args()
    if not 1 <= args.channels <= 32 or args.rate <= 0 or args.seconds <= 0:
        sys.exit("make-recording: --channels 1..32, --rate and --seconds above 0")

    start = datetime.datetime.fromisoformat(args.start)
    ticks = int(args.seconds * args.rate)
    step_ms = 1000.0 / args.rate
    channels = []
    for c in range(1, args.channels + 1):
        decimals = 3 if c > args.channels - args.fine else 2
        channels.append((c, SHAPES[(c - 1) % 3], decimals, random.Random(c), round(4.5 + 0.37 * c, 2)))
    tolerances = {"ramp": 0.18, "sine": 0.12, "noise": 0.05}

    def judgement(d, shape, decimals):
        t = tolerances[shape]
        d = round(d, decimals)
        return ",LOW" if d < -t else ",HIGH" if d > t else ",OK"

    with open(args.output, "w", newline="") as out:
        out.write("time,channel,value_mm,displacement_mm,rate_per_s" + (",judgement" if args.limits else "") + "\r\n")
        rate_text = f"{args.rate:.1f}"
        last_ms = -1
        stamp = ""
        lines = []
        for tick in range(ticks):
            ms = int(tick * step_ms)
            if ms // 1000 != last_ms // 1000:
                stamp = (start + datetime.timedelta(seconds=ms // 1000)).strftime("%Y-%m-%dT%H:%M:%S")
            last_ms = ms
            time_text = f"{stamp}.{ms % 1000:03d}{args.offset}"
            phase = tick / max(ticks - 1, 1)
            for c, shape, decimals, rng, zero in channels:
                if shape == "ramp":
                    # three slow teeth from -0.22 to +0.22 mm
                    d = -0.22 + 0.44 * ((phase * 3) % 1.0)
                elif shape == "sine":
                    d = 0.10 * math.sin(2 * math.pi * (phase * 5 + c / 7))
                    if rng.random() < 0.002:
                        d += math.copysign(0.06, d)
                else:
                    d = rng.gauss(0, 0.02)
                judged = judgement(d, shape, decimals) if args.limits else ""
                lines.append(f"{time_text},{c},{zero + d:.{decimals}f},{d:.{decimals}f},{rate_text}{judged}\r\n")
            if len(lines) > 20000:
                out.write("".join(lines))
                lines.clear()
        out.write("".join(lines))

    if args.limits:
        with open(args.limits, "w") as out:
            out.write("# channel, nominal, lower, upper, name\n")
            for c, shape, _, _, _ in channels:
                t = tolerances[shape]
                out.write(f"{c}, 0.00, -{t:.2f}, +{t:.2f}, {NAMES[(c - 1) % len(NAMES)]}\n")


if __name__ == "__main__":
    main()
