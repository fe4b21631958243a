#!/usr/bin/env python3
"""kestrow as an operator meets it: on a terminal (a tmux pane) against
gaugesim on a pty linked as COM 11, in a home of its own. Reads the screen
with capture-pane, types with send-keys, clicks with the terminal's mouse
report, resizes the window, and checks what reaches the gauges in
gaugesim's log and what the driver traced.

Usage: kestrow_terminal_test.py BIN_DIR  (kestrow, libVexla.so, gaugesim)
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, finish  # noqa: E402
from terminal_pane import (Pane, cells, line_with, log_has, run_steps, wait_for_file,  # noqa: E402
                           write_driver_settings)

BIN = os.path.abspath(sys.argv[1])
COM = 11


def end_cell(line, part, start=0):
    """The terminal column just right of `part` in `line`."""
    at = line.index(part, start)
    return cells(line[: at + len(part)])


def field_colours(line):
    """The fields of a line captured with its escape codes (capture-pane -e),
    each with its foreground colour: 31 red, 32 green, 34 blue, None default."""
    shown, colours, colour = [], [], None
    for part in re.split(r"(\x1b\[[0-9;]*m)", line):
        if part.startswith("\x1b["):
            for code in (part[2:-1] or "0").split(";"):
                if code in ("0", "39"):
                    colour = None
                elif 30 <= int(code) <= 37:
                    colour = int(code)
            continue
        shown.append(part)
        colours += [colour] * len(part)
    text = "".join(shown)
    return [(m.group(), colours[m.start()]) for m in re.finditer(r"\S+", text)]


def kestrow_pid(pane):
    shell = int(pane.tmux("display-message", "-p", "-t", "kestrow", "#{pane_pid}").strip())
    children = open(f"/proc/{shell}/task/{shell}/children").read().split()
    return int(children[0]) if children else None


def run(work, env, sim_log, trace):
    pane = Pane(work, env, "kestrow")
    # The shell around kestrow keeps the terminal's settings before and after
    # and its exit status, and then keeps the pane open.
    wrapper = os.path.join(work, "pane.sh")
    with open(wrapper, "w") as f:
        f.write(f"""#!/bin/sh
run=$1
stty -g >"{work}/stty.before.$run"
segment=$2
shift 2
"{BIN}/kestrow" --library "{BIN}/libVexla.so" --segment "$segment" "$@" 2>"{work}/stderr.$run"
echo $? >"{work}/rc.$run"
stty -g >"{work}/stty.after.$run"
exec sleep 600
""")
    pane.tmux("new-session", "-d", "-s", "kestrow", "-x", "100", "-y", "30", f"sh {wrapper} 1 1")

    ok, screen = pane.wait_for(lambda s: "V1.325" in s and "1.23" in s and "4.56" in s)
    check(ok, "title, headings and the gauges' values on screen", screen)
    check(line_with(screen, " 01 ").split()[:3] == ["01", "1.23", "1.23"], "channel 1: number, value, displacement",
          screen)
    # The CJK headings line up with the columns under them.
    heading = line_with(screen, "编号")
    row1 = line_with(screen, " 01 ")
    check(end_cell(heading, "仪表显示(mm)") == end_cell(row1, "1.23"), "values end under 仪表显示(mm)", screen)
    check(end_cell(heading, "传输率") == end_cell(row1, "次"), "rates end under 传输率", screen)
    check(" 05 " in row1, "two blocks across at 100 columns", screen)

    # The gauge type and the display mode change how values are written.
    pane.keys("h")
    ok, screen = pane.wait_for(lambda s: "[千分表]" in s and "0.456" in s)
    check(ok, "h: 千分表, the 0.001 mm gauge reads 0.456", screen)
    pane.keys("h", "m")
    ok, screen = pane.wait_for(lambda s: "[增加半位]" in s and line_with(s, " 01 ").split()[1:2] == ["1.230"])
    check(ok, "m: 增加半位, half a digit more", screen)
    pane.keys("m", "m")
    ok, screen = pane.wait_for(lambda s: "[标准方式]" in s and "4.56" in s)
    check(ok, "back to 百分表 and 标准方式", screen)

    # Arrows to channel 3's display value: the single-channel button zeroes the gauge.
    pane.keys("Down", "Down", "Down", "Right")
    ok, screen = pane.wait_for(lambda s: "03#通道 显示归零" in s)
    check(ok, "arrows to channel 3's value show 03#通道 显示归零", screen)
    pane.keys("Enter")
    check(log_has(sim_log, "code 2 (fast state, zero) for channel 3: obeyed by 3"),
          "Enter: hardware zero of channel 3 reaches its gauge")

    # A click on channel 5's displacement: its zero point only.
    heading = line_with(pane.screen(), "编号")
    second_block = heading.index("编号", heading.index("编号") + 1)
    x = cells(heading[: heading.index("位移结果(mm)", second_block)])
    screen = pane.screen()  # one capture: the values move between two
    y = screen.splitlines().index(line_with(screen, " 01 "))
    pane.click(y, x)
    ok, screen = pane.wait_for(lambda s: "05#通道 位移归零" in s)
    check(ok, "a click on channel 5's displacement shows 05#通道 位移归零", screen)
    pane.keys("Enter")
    ok, screen = pane.wait_for(lambda s: line_with(s, " 01 ").split()[6:8] == ["-1.00", "0.00"])
    check(ok, "channel 5's displacement reads 0.00, its value stays", screen)
    check(line_with(screen, " 01 ").split()[2] == "1.23", "channel 1's displacement untouched", screen)

    pane.keys("z")
    ok, screen = pane.wait_for(
        lambda s: all(line_with(s, f" 0{c} ").split()[2] == "0.00" for c in (1, 2, 4)))
    check(ok, "z: every displacement reads 0.00", screen)

    pane.keys("f")
    check(log_has(sim_log, "command code 2 (fast state, zero) for all gauges"), "f: 调零变快 sends code 2")
    # The driver holds back commands for 20 of its ticks after one; on a
    # loaded machine that can be more than a second.
    sent = False
    for _ in range(5):
        pane.keys("s")
        sent = log_has(sim_log, "command code 3 (standard state, zero) for all gauges", 1.5)
        if sent:
            break
    check(sent, "s: 调零变慢 sends code 3")

    # Too small, four blocks across, and back.
    pane.tmux("resize-window", "-t", "kestrow", "-x", "60", "-y", "20")
    ok, screen = pane.wait_for(lambda s: "终端太小: 需要 80×23, 现在 60×20" in s and "Terminal too small" in s)
    check(ok and "编号" not in screen, "60x20: the too-small message instead of the grid", screen)
    pane.keys("z")  # acts on nothing unseen
    pane.tmux("resize-window", "-t", "kestrow", "-x", "170", "-y", "20")
    ok, screen = pane.wait_for(lambda s: " 09 " in line_with(s, " 01 ") and "[百分表]" in s)
    check(ok, "170x20: four blocks across, channels 1, 5, 9, 13 on one line", screen)
    pane.tmux("resize-window", "-t", "kestrow", "-x", "100", "-y", "30")
    ok, screen = pane.wait_for(lambda s: " 05 " in line_with(s, " 01 ") and " 09 " not in line_with(s, " 01 "))
    check(ok, "100x30: two across again", screen)

    pane.keys("q")
    rc = wait_for_file(os.path.join(work, "rc.1"))
    check(rc is not None and rc.strip() == "0", f"q ends kestrow with status 0 (got {rc!r})")
    before = open(os.path.join(work, "stty.before.1")).read()
    check(wait_for_file(os.path.join(work, "stty.after.1")) == before, "the terminal's settings are restored")
    ok, screen = pane.wait_for(lambda s: "V1.325" not in s, 3)
    check(ok, "the monitor's screen is gone (alternate screen left)", screen)
    check(log_has(trace, f"disconnect: COM{COM}"), "the driver's session ended (DLL_End_Application)")

    # SIGTERM ends a second run as cleanly.
    pane.tmux("respawn-pane", "-k", "-t", "kestrow", f"sh {wrapper} 2 1")
    ok, screen = pane.wait_for(lambda s: "V1.325" in s and "0.00" in s)
    check(ok, "second run on screen", screen)
    pid = kestrow_pid(pane)
    check(pid is not None, "found the second kestrow")
    if pid:
        os.kill(pid, signal.SIGTERM)
    rc = wait_for_file(os.path.join(work, "rc.2"))
    check(rc is not None and rc.strip() == "0", f"SIGTERM ends kestrow with status 0 (got {rc!r})")
    before = open(os.path.join(work, "stty.before.2")).read()
    check(wait_for_file(os.path.join(work, "stty.after.2")) == before, "terminal restored after SIGTERM")
    check(open(trace).read().count(f"disconnect: COM{COM}") >= 2, "the driver's session ended after SIGTERM")

    # Segment 2 names a port that is not there: the driver's message shows on
    # the help line instead of in the middle of the grid, and reaches
    # standard error once the terminal is restored.
    pane.tmux("respawn-pane", "-k", "-t", "kestrow", f"sh {wrapper} 3 2")
    ok, screen = pane.wait_for(lambda s: "Vexla: " in line_with(s, "Com12"))
    lines = screen.splitlines()
    check(ok and "Vexla: " in lines[22] and "V1.325" in lines[0] and lines[1].startswith(" 编号"),
          "a driver message on the help line, the screen intact", screen)
    pane.keys("q")
    wait_for_file(os.path.join(work, "rc.3"))
    err = open(os.path.join(work, "stderr.3")).read()
    check("Com12" in err and "\x1b" not in err, f"the message on standard error after the run ({err.strip()!r})")

    # Limits: every displacement reads 0.00 since the z above; channel 1 is
    # inside its limits, 3 above, 4 below, 2 has none.
    pane.tmux("respawn-pane", "-k", "-t", "kestrow", f"sh {wrapper} 4 1 --limits {limits_file(work)}")
    # All four have to be there: under a sanitizer the first readings come late.
    ok, screen = pane.wait_for(
        lambda s: "V1.325" in s and all(line_with(s, f" 0{c} ").split()[2:3] == ["0.00"] for c in (1, 2, 3, 4)))
    check(ok, "a run with --limits on screen", screen)
    screen = pane.tmux("capture-pane", "-p", "-e", "-t", "kestrow")
    colours = [field_colours(line_with(screen, f" 0{c} "))[2][1] for c in (1, 2, 3, 4)]
    check(colours == [32, None, 31, 34], f"displacements: OK green, HIGH red, LOW blue, no limits plain ({colours})",
          screen)

    # The statistics view; channel 7 moves between 0.10 and 0.50 mm.
    pane.keys("t")
    ok, screen = pane.wait_for(lambda s: line_with(s, " 03 ").split()[10:11] == ["0.40"])
    check(ok and "最小(mm)  最大(mm)  范围(mm)" in line_with(screen, "编号"), "t: minimum, maximum, range of each channel",
          screen)
    screen = pane.tmux("capture-pane", "-p", "-e", "-t", "kestrow")
    fields = field_colours(line_with(screen, " 03 "))
    check([f[1] for f in fields[1:5]] == [31, 31, 31, None], f"channel 3: its extremes above the limits too ({fields})",
          screen)
    pane.keys("r")
    ok, screen = pane.wait_for(lambda s: line_with(s, " 03 ").split()[10:11] != ["0.40"], 2)
    check(ok, "r: channel 7's range starts again", screen)
    pane.keys("z")
    ok, screen = pane.wait_for(lambda s: line_with(s, " 01 ").split()[2:3] == ["│"], 2)
    check(ok, "z: the statistics wait for the zeroed displacements to settle", screen)
    pane.keys("q")
    rc = wait_for_file(os.path.join(work, "rc.4"))
    check(rc is not None and rc.strip() == "0", f"the run with limits ends with status 0 (got {rc!r})")


def limits_file(work):
    path = os.path.join(work, "limits.txt")
    with open(path, "w") as f:
        f.write("# channel, nominal, lower, upper\n1, 0, -0.05, 0.05, bore\n3, -0.10, -0.02, 0.02\n"
                "4, 0.10, -0.02, 0.02\n")
    return path


def run_plain(work, env):
    # Standard output a pipe: the table as text, no terminal codes; the
    # channels with limits judged, the others as without.
    out = subprocess.run([f"{BIN}/kestrow", "--seconds", "2.5", "--limits", limits_file(work)], env=env,
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=30)
    lines = out.stdout.splitlines()
    check(out.returncode == 0, f"plain run ends with status 0 (got {out.returncode}, {out.stderr})")
    check("\x1b" not in out.stdout, "plain output has no escape sequences")
    check("编号 仪表显示(mm) 位移结果(mm) 传输率" in lines, "plain output has the headings", out.stdout)
    row = next((line.split() for line in lines if line.startswith(" 02 ")), [])
    check(len(row) == 4 and row[3].endswith("次"), "plain output: channel 2 with value, displacement and rate",
          out.stdout)
    check(any(line.split() == ["32", "已脱离"] for line in lines), "plain output: channel 32, absent, 已脱离",
          out.stdout)
    marks = [next((line.split()[4:] for line in reversed(lines) if line.startswith(f" 0{c} ")), None)
             for c in (1, 3, 4)]
    check(marks == [["OK"], ["HIGH"], ["LOW"]], f"plain output: judgements after the rate ({marks})", out.stdout)

    # A limits file that cannot be used ends kestrow before it starts, saying why.
    bad = os.path.join(work, "bad-limits.txt")
    for text, message in (("1, 0, -0.05, 0.05\n2, 0, 0.05, -0.05\n", "bad-limits.txt, line 2: "),
                          ("# nothing but a comment\n", "bad-limits.txt: no channel has limits"),
                          (None, "cannot read the limits file")):
        if text is not None:
            with open(bad, "w") as f:
                f.write(text)
        path = bad if text is not None else os.path.join(work, "missing.txt")
        out = subprocess.run([f"{BIN}/kestrow", "--limits", path], env=env, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=30)
        check(out.returncode == 1 and message in out.stderr and out.stdout == "",
              f"bad limits: {message} ({out.returncode}, {out.stderr.strip()})")

    # A session in the "C" locale: kestrow takes C.UTF-8 for the widths of the Chinese texts.
    c_env = dict(env, LC_ALL="C", LANG="C")
    out = subprocess.run([f"{BIN}/kestrow", "--seconds", "0.3"], env=c_env, stdin=subprocess.DEVNULL,
                         capture_output=True, timeout=30)
    check(out.returncode == 0 and "编号 仪表显示(mm) 位移结果(mm) 传输率\n" in out.stdout.decode(errors="replace"),
          "in the C locale the headings are still padded by their display width")

    out = subprocess.run([f"{BIN}/kestrow", "--library", "/nonexistent/libVexla.so"], env=env,
                         capture_output=True, text=True, timeout=30)
    check(out.returncode != 0 and "/nonexistent/libVexla.so" in out.stderr,
          f"a missing library is named and fails the run ({out.returncode}, {out.stderr.strip()})")


def main():
    if shutil.which("tmux") is None:
        print("FAILED: tmux is not installed (tools/install-deps.sh installs it)")
        return 1
    work = tempfile.mkdtemp(prefix="kestrow-test-")
    config = os.path.join(work, ".config")
    write_driver_settings(config, 1, COM)
    write_driver_settings(config, 2, 12)
    trace = os.path.join(work, "trace.txt")
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8",
               VEXLA_TRACE=trace, WINEPREFIX=os.path.join(work, "wine"))
    env.pop("TMUX", None)
    sim_log = os.path.join(work, "gaugesim.log")
    sim = subprocess.Popen(
        [f"{BIN}/gaugesim", "--format", "3", "--baud", "115200", "--com", str(COM), "--channels", "1-7",
         "--kind", "6=0.001", "--motion", "still", "--position", "1=1.23", "--position", "2=-2.5",
         "--position", "3=0.5", "--position", "4=12.34", "--position", "5=-1", "--position", "6=0.456",
         "--motion", "7=script", "--script", "0.1,0.5", "--dwell", "0.8"],
        env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    pane = Pane(work, env, "kestrow")
    run_steps(pane, sim, lambda: check(log_has(sim_log, "link:"), "gaugesim is up on COM 11"),
              lambda: run(work, env, sim_log, trace), lambda: run_plain(work, env))
    return finish("kestrow terminal test", work, sim_log)


if __name__ == "__main__":
    sys.exit(main())
