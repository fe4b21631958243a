#!/usr/bin/env python3
"""The simplest program that reads a gauge line: select() on the serial
device, read what is there, count the general frames (formats 2 and 3) with
a minimal check. Its CPU use is the yardstick for the driver's.

usage: plain_reader.py DEVICE SECONDS"""

import os
import select
import sys
import termios
import time
import tty


def count_frames(buffer):
    """General frames in `buffer`, and the bytes left over for the next read."""
    frames, i = 0, 0
    while len(buffer) - i >= 11:
        f = buffer[i:i + 11]
        if f[0] >= 0x80 and f[7] == f[0] - 0x80 and f[9] == ((sum(f[:9]) & 0xFF) ^ 0x55) & 0x7F:
            frames, i = frames + 1, i + 11
        else:
            i += 1
    return frames, buffer[i:]


def main():
    device, seconds = sys.argv[1], float(sys.argv[2])
    fd = os.open(device, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd, termios.TCSANOW)
    frames, rest = 0, b""
    wall0, cpu0 = time.monotonic(), time.process_time()
    while time.monotonic() - wall0 < seconds:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if not ready:
            continue
        data = os.read(fd, 4096)
        if not data:
            break
        counted, rest = count_frames(rest + data)
        frames += counted
    wall, cpu = time.monotonic() - wall0, time.process_time() - cpu0
    print(f"plain reader: {frames / wall:.0f} frames per second, {cpu:.3f} s CPU = {100 * cpu / wall:.2f} % of one core")


if __name__ == "__main__":
    main()
