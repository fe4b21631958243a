#!/usr/bin/env python3
"""vexla-station as an operator meets it: on a terminal (a tmux pane)
against gaugesim on a pty linked as COM 76, in a home of its own. Eight
gauges: most stand still, channel 3 moves between 0.02 and 0.30 mm, channel
8 is silent. Reads the screen with capture-pane (with -e for the colours),
types with send-keys like an operator, a scanner and a pedal (F9), and reads
the day's records the station wrote.

Usage: station_terminal_test.py BIN_DIR  (vexla-station, libVexla.so, gaugesim)
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, finish  # noqa: E402
from terminal_pane import (Pane, cells, line_with, log_has, run_steps, wait_for_file,  # noqa: E402
                           write_driver_settings)

BIN = os.path.abspath(sys.argv[1])
COM = 76
SEGMENT = 76
DWELL = 5  # seconds channel 3 stays at each of its positions


def tile_value(screen, name):
    """The displacement under a tile's name: the tiles' second line."""
    lines = screen.splitlines()
    for y, line in enumerate(lines[:-1]):
        # The capture drops the padding at the end of a line.
        found = re.search(" " + re.escape(name) + "( |$)", line)
        if found:
            # CJK names take two cells each: find the value by its cells.
            start = cells(line[:found.start()])
            below = lines[y + 1]
            return cell_slice(below, start, start + 24).split()
    return []


def cell_slice(line, begin, end):
    """The characters of a line between two terminal columns."""
    out, at = [], 0
    for c in line:
        if begin <= at < end:
            out.append(c)
        at += cells(c)
    return "".join(out)


def backgrounds(line):
    """A line captured with its escape codes: its text and each character's
    background colour (41 red, 42 green, 43 yellow, 47 white or 100 bright
    black for grey, None for the terminal's own)."""
    shown, colours, bg = [], [], None
    for part in re.split(r"(\x1b\[[0-9;]*m)", line):
        if part.startswith("\x1b["):
            codes = [int(c) for c in (part[2:-1] or "0").split(";") if c]
            i = 0
            while i < len(codes):
                code = codes[i]
                if code in (0, 49):
                    bg = None
                elif 40 <= code <= 47 or 100 <= code <= 107:
                    bg = code
                elif code in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
                    if code == 48:
                        bg = 100 if codes[i + 2] == 8 else 40 + codes[i + 2] if codes[i + 2] < 8 else None
                    i += 2
                i += 1
            continue
        shown.append(part)
        colours += [bg] * len(part)
    return "".join(shown), colours


def background_of(screen_e, text):
    for line in screen_e.splitlines():
        shown, colours = backgrounds(line)
        at = shown.find(text)
        if at >= 0:
            return colours[at]
    return "absent"


def write_files(work):
    limits = os.path.join(work, "limits.txt")
    with open(limits, "w") as f:
        f.write("# channel, nominal, lower, upper, name\n1, 0, -0.05, 0.05, 孔深\n2, 0, -0.05, 0.05, 外径\n"
                "3, 0, -0.10, 0.10, 槽深\n")
    records = os.path.join(work, "检测记录")
    for name, channels in (("all.ini", "1-8"), ("seven.ini", "1-7")):
        with open(os.path.join(work, name), "w") as f:
            f.write(f"[station]\nsegment = {SEGMENT}\nchannels = {channels}\nlimits = {limits}\n"
                    f"capture_key = F9\nmaster_interval_h = 8\nrecords = {records}\n")
    return records


def run(work, env, records):
    pane = Pane(work, env, "station")
    wrapper = os.path.join(work, "pane.sh")
    with open(wrapper, "w") as f:
        f.write(f"""#!/bin/sh
run=$1
shift
stty -g >"{work}/stty.before.$run"
"{BIN}/vexla-station" "$@" 2>"{work}/stderr.$run"
echo $? >"{work}/rc.$run"
stty -g >"{work}/stty.after.$run"
exec sleep 600
""")
    pane.tmux("new-session", "-d", "-s", "station", "-x", "100", "-y", "30",
              f"sh {wrapper} 1 --station {work}/all.ini")

    # Every chosen channel a tile; the silent gauge's grey; colours from the limits.
    ok, screen = pane.wait_for(lambda s: "已脱离" in s and tile_value(s, "孔深") == ["0.01"]
                               and tile_value(s, "外径") == ["0.04"] and tile_value(s, "槽深") == ["0.30"], 20)
    check(ok and all(n in screen for n in ("孔深", "外径", "槽深", "通道4", "通道8")),
          "a tile for each of channels 1-8, named from the limits file or by the channel", screen)
    screen_e = pane.screen(escapes=True)
    colours = [background_of(screen_e, n) for n in ("外径", "槽深", "通道4", "通道8")]
    check(colours[:3] == [43, 41, 42] and colours[3] in (47, 100),
          f"tiles: 0.04 of ±0.05 amber, 0.30 of ±0.10 red, no limits green, silent grey ({colours})", screen_e)
    bar = line_with(screen, "[")
    check(re.search(r"\[-+\|?-*\*-*\|?-*\]", bar) and ">]" in bar,
          "tolerance bars with the nominal and the marker, '>' past the upper limit", screen)
    check("标准件校零已到期" in screen and background_of(screen_e, "标准件校零已到期") == 43,
          "never mastered: the amber mastering line", screen)
    pane.keys("F10")
    rc = wait_for_file(os.path.join(work, "rc.1"))
    check(rc is not None and rc.strip() == "0", f"F10 ends the station with status 0 (got {rc!r})")
    check(wait_for_file(os.path.join(work, "stty.after.1")) == open(os.path.join(work, "stty.before.1")).read(),
          "the terminal's settings are restored")

    # Seven characteristics, all reading: an identity typed, Enter completes
    # it, Enter captures while channel 3 is inside; then the pedal while it
    # is outside.
    pane.tmux("respawn-pane", "-k", "-t", "station", f"sh {wrapper} 2 --station {work}/seven.ini")
    ok, screen = pane.wait_for(lambda s: tile_value(s, "槽深") == ["0.30"], 3 * DWELL)
    ok, screen = pane.wait_for(lambda s: tile_value(s, "槽深") == ["0.02"], 3 * DWELL)
    check(ok and "通道8" not in screen, "channel 3 back at 0.02, no tile for channel 8", screen)
    pane.typed("P-0001")
    pane.keys("Enter")
    ok, screen = pane.wait_for(lambda s: "零件号: P-0001  (下一件)" in s, 3)
    check(ok, "typed identity, completed by Enter, waits for the capture", screen)
    pane.keys("Enter")
    ok, screen = pane.wait_for(lambda s: "#1  P-0001  OK" in s)
    check(ok and background_of(pane.screen(escapes=True), "#1") == 42, "Enter captures part 1: OK in green",
          screen)

    ok, screen = pane.wait_for(lambda s: tile_value(s, "槽深") == ["0.30"], 3 * DWELL)
    pane.typed("P-0002")
    pane.keys("F9")
    ok, screen = pane.wait_for(lambda s: "#2  P-0002  NOK" in s)
    verdict = line_with(screen, "#2")
    check(ok and "槽深" in verdict and "孔深" not in verdict and "外径" not in verdict,
          f"the pedal (F9) captures part 2: NOK naming 槽深 alone ({verdict.strip()!r})", screen)
    check(background_of(pane.screen(escapes=True), "#2") == 41, "NOK in red", screen)
    check("件数 2" in screen and "不合格 1" in screen and "合格率 50.0 %" in screen,
          "counters: 2 parts, 1 NOK, 50.0 % yield", line_with(screen, "件数"))

    files = glob.glob(os.path.join(records, "parts-*.csv"))
    rows = open(files[0], encoding="utf-8").read().splitlines() if len(files) == 1 else []
    parts = {(r.split(",")[0], r.split(",")[1], r.split(",")[-1]) for r in rows[1:]}
    check(parts == {("1", "P-0001", "OK"), ("2", "P-0002", "NOK 3")} and len(rows) == 1 + 2 * 7,
          f"the day's file holds both parts, seven rows each, with the typed identities ({sorted(parts)})",
          "\n".join(rows))

    # Zero on master asks first; y zeroes every displacement.
    pane.keys("F2")
    ok, screen = pane.wait_for(lambda s: "(y/n)" in s, 3)
    check(ok, "F2 asks before zeroing", screen)
    pane.keys("y")
    ok, screen = pane.wait_for(lambda s: all(tile_value(s, n) == ["0.00"] for n in ("孔深", "外径", "通道4")))
    check(ok and "已用标准件归零" in screen and "标准件校零已到期" not in screen,
          "y: the displacements read 0.00, the mastering line is gone", screen)
    check("last_master = " in open(os.path.join(work, "seven.ini"), encoding="utf-8").read(),
          "the station file keeps the mastering time")

    pane.keys("Tab")
    ok, screen = pane.wait_for(lambda s: "控制图: 外径" in s, 3)
    check(ok, "Tab: the chart of the next characteristic", screen)
    pane.keys("F3")
    ok, screen = pane.wait_for(lambda s: "报告已写入: " in s, 10)
    report = line_with(screen, "报告已写入: ").split("报告已写入: ")[-1].strip()
    check(ok and report.endswith(".html") and os.path.exists(report), f"F3: the report written, its path shown ({report})",
          screen)
    pane.keys("F5")
    pane.typed("B-17")
    pane.keys("Enter")
    ok, screen = pane.wait_for(lambda s: "操作员: _" in s, 3)
    pane.typed("王芳")
    pane.keys("Enter")
    ok, screen = pane.wait_for(lambda s: "批次 B-17   操作员 王芳" in s and "件数 0" in s, 3)
    check(ok, "F5: batch and operator asked for, the counters start again", screen)

    pane.tmux("resize-window", "-t", "station", "-x", "60", "-y", "10")
    ok, screen = pane.wait_for(lambda s: "终端太小 (60x10)" in s and "孔深" not in s, 3)
    check(ok, "60x10: too small for the tiles, said instead", screen)
    pane.tmux("resize-window", "-t", "station", "-x", "160", "-y", "40")
    ok, screen = pane.wait_for(lambda s: " 通道5" in line_with(s, " 孔深") and " 通道7" not in line_with(s, " 孔深"), 3)
    check(ok, "160x40: six tiles across", screen)

    pane.keys("F10")
    rc = wait_for_file(os.path.join(work, "rc.2"))
    check(rc is not None and rc.strip() == "0", f"second run ends with status 0 (got {rc!r})")


def run_plain(work, env):
    # Standard output a pipe: each input line a part, a line per verdict;
    # the day's file goes on with its part numbers.
    out = subprocess.run([f"{BIN}/vexla-station", "--station", os.path.join(work, "seven.ini")], env=env,
                         input="Q-1\nQ-2\n", capture_output=True, text=True, timeout=60)
    lines = out.stdout.splitlines()
    check(out.returncode == 0 and len(lines) == 2 and re.match(r"3 Q-1 (OK|NOK)", lines[0])
          and re.match(r"4 Q-2 (OK|NOK)", lines[1]) and "\x1b" not in out.stdout,
          f"plain: a verdict line per input line ({out.returncode}, {lines}, {out.stderr.strip()})")

    out = subprocess.run([f"{BIN}/vexla-station", "--station", os.path.join(work, "seven.ini"),
                          "--library", "/nonexistent/libVexla.so"], env=env, input="",
                         capture_output=True, text=True, timeout=30)
    check(out.returncode == 1 and "无法加载驱动程序" in out.stderr and "/nonexistent/libVexla.so" in out.stderr,
          f"a missing driver library: said, status 1 ({out.returncode}, {out.stderr.strip()})")


def main():
    if shutil.which("tmux") is None:
        print("FAILED: tmux is not installed (tools/install-deps.sh installs it)")
        return 1
    work = tempfile.mkdtemp(prefix="station-test-")
    config = os.path.join(work, ".config")
    write_driver_settings(config, SEGMENT, COM)
    records = write_files(work)
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8",
               WINEPREFIX=os.path.join(work, "wine"))
    env.pop("TMUX", None)
    sim_log = os.path.join(work, "gaugesim.log")
    sim = subprocess.Popen(
        [f"{BIN}/gaugesim", "--format", "3", "--baud", "115200", "--com", str(COM), "--channels", "1-8",
         "--motion", "still", "--position", "1=0.01", "--position", "2=0.04", "--position", "4=0.3",
         "--position", "5=-0.2", "--position", "6=0.1", "--position", "7=0.2",
         "--motion", "3=script", "--script", "0.02,0.30", "--dwell", str(DWELL), "--silence", "8@0+100000"],
        env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    pane = Pane(work, env, "station")
    run_steps(pane, sim, lambda: check(log_has(sim_log, "link:", 10), f"gaugesim is up on COM {COM}"),
              lambda: run(work, env, records), lambda: run_plain(work, env))
    return finish("vexla-station terminal test", work, sim_log)


if __name__ == "__main__":
    sys.exit(main())
