#!/usr/bin/env python3
"""The C example host against gaugesim: readings of 2.500 mm from every
gauge, the chosen channel's displacement zeroed half way, the port free at
the end. With --wine, the Windows build in the test's Wine prefix."""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

PORT = 44  # COM1..4 would be the machine's own serial ports


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--example", required=True)
    ap.add_argument("--gaugesim", required=True)
    ap.add_argument("--wine", help="the Wine loader that runs a Windows example")
    args = ap.parse_args()

    home = tempfile.mkdtemp(prefix="c-example-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
    if args.wine:
        # The driver reads C:\系统配置 and opens COMn through the prefix's dosdevices.
        folder = os.path.join(env["WINEPREFIX"], "drive_c", "系统配置")
        devices = os.path.join(env["WINEPREFIX"], "dosdevices")
    else:
        folder = os.path.join(env["XDG_CONFIG_HOME"], "系统配置")
        devices = os.path.join(env["XDG_CONFIG_HOME"], "vexla", "dosdevices")
    os.makedirs(folder, exist_ok=True)
    # A segment of the test's own (the port's number): under Wine the prefix is shared.
    with open(os.path.join(folder, "Vexla配置%03d.txt" % PORT), "wb") as f:
        f.write(("[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号=%d\r\n波特率=19200\r\n"
                 "[用户参数]\r\n显示DLL小窗口=0\r\n" % PORT).encode("gbk"))
    sim = subprocess.Popen([args.gaugesim, "--format", "3", "--com", str(PORT), "--channels", "1-3", "--motion",
                            "still", "--position", "2.5"], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           text=True)
    try:
        link = os.path.join(devices, "com%d" % PORT)
        deadline = time.monotonic() + 10
        while not os.path.lexists(link) and time.monotonic() < deadline:
            time.sleep(0.05)
        host = [args.wine] if args.wine else []
        result = subprocess.run(host + [args.example, "6", "2", str(PORT)], env=env, capture_output=True, text=True,
                                timeout=60)
    finally:
        sim.terminate()
        sim.wait(timeout=10)

    out = result.stdout
    failures = []
    if result.returncode != 0:
        failures.append("exit status %d: %s" % (result.returncode, result.stderr))
    for channel in (1, 2, 3):
        if not re.search(r"^channel %d:\s+2\.500 mm, displacement\s+2\.500 mm" % channel, out, re.M):
            failures.append("channel %d never read 2.500 mm" % channel)
    after = out.split("zeroed the displacement of channel 2\n", 1)
    if len(after) != 2:
        failures.append("the example never zeroed channel 2")
    else:
        if not re.search(r"^channel 2:\s+2\.500 mm, displacement\s+0\.000 mm", after[1], re.M):
            failures.append("channel 2's displacement did not come back as 0.000 mm")
        if re.search(r"^channel 1:\s+\S+ mm, displacement\s+0\.000 mm", after[1], re.M):
            failures.append("channel 1 was zeroed too")
    if not re.search(r"updates/s$", out, re.M):
        failures.append("no rate was ever shown")
    for f in failures:
        print("FAIL", f)
    if failures:
        print(out[-2000:])
    print("c example: %d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
