#!/usr/bin/env python3
"""pellin as a user drives it: against gaugesim on a pty linked as COM 41,
in a home of its own, commands typed into its standard input, the tables
read from its output and the commands checked in gaugesim's log.

Usage: pellin_end_to_end_test.py BIN_DIR  (pellin, libVexla.so, gaugesim)
"""

import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "testing"))
from checklist import check, failures, finish  # noqa: E402

BIN = os.path.abspath(sys.argv[1])
COM = 41
MM = "       2.500 mm"
ZERO = "       0.000 mm"
DASHES = "   ------   "
ROW = re.compile(r"^ *(\d+)#  (.{15})  (.{15})  (.*)$")
running = []


class Pellin:
    """A running pellin; its tables as {channel: (value, displacement, rate)}."""

    def __init__(self, env, *args, stdin=subprocess.PIPE):
        # A time limit of its own, as the end of its input does not end it.
        self.proc = subprocess.Popen([f"{BIN}/pellin", "--seconds", "60", *args], env=env, stdin=stdin,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        running.append(self.proc)
        self.tables, self.lines = [], []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        mode, rows = None, {}
        for line in self.proc.stdout:
            self.lines.append(line)
            if line.startswith("-- "):
                mode, rows = line.split()[-2], {}
            elif m := ROW.match(line.rstrip("\n")):
                rows[int(m[1])] = (m[2].rstrip(), m[3].rstrip(), m[4].rstrip())
                if len(rows) == 32:
                    self.tables.append((mode, rows))

    def send(self, text):
        self.proc.stdin.write(text)
        self.proc.stdin.flush()

    def wait_for(self, predicate, seconds=8):
        """The first table from now on that passes, or None."""
        seen, deadline = len(self.tables), time.monotonic() + seconds
        while time.monotonic() < deadline:
            for table in self.tables[seen:]:
                if predicate(*table):
                    return table
            seen = len(self.tables)
            time.sleep(0.05)
        return None

    def last(self):
        return self.tables[-1] if self.tables else (None, {})


def counter(rate):
    m = re.search(r"\[(\d{4})\]$", rate)
    return int(m[1]) if m else -1


def log_has(path, text, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if text in open(path, errors="replace").read():
            return True
        time.sleep(0.05)
    return False


def hardware_command(pellin, command, logged, sim_log):
    # The driver drops a command sent within a second of the one before.
    for _ in range(4):
        pellin.send(command + "\n")
        if log_has(sim_log, logged, 1.6):
            return True
    return False


def run(env, sim_log, trace):
    p = Pellin(env, "--print-every", "0.25")
    p.wait_for(lambda mode, rows: True, 5)
    first = p.tables[0] if p.tables else None
    check(first is not None and all(box == DASHES.rstrip() for ch in first[1].values() for box in ch),
          "the first table: dashes in all 96 boxes", p.last())
    live = (1, 2, 4, 15)
    t = p.wait_for(lambda mode, rows: all(rows[c][:2] == (MM, MM) for c in live))
    check(t is not None and re.fullmatch(r" ?\d+\.\d次/秒\[\d{4}\]", t[1][1][2]) and t[1][5][2] == "数据脱离 [0000]",
          "the gauges' 2.500 mm as value and displacement with their rates; channel 5 absent", p.last())
    count = counter(p.last()[1][1][2])
    check(p.wait_for(lambda mode, rows: counter(rows[1][2]) >= count + 3) is not None, "the counters count up",
          p.last())

    # Half a line does not hold up the timer.
    p.send("3")
    count = counter(p.last()[1][1][2])
    check(p.wait_for(lambda mode, rows: counter(rows[1][2]) >= count + 5) is not None,
          "the tables go on while a line is half typed", p.last())
    p.send(" 15\n")
    t = p.wait_for(lambda mode, rows: rows[15][:2] == (MM, ZERO))
    check(t is not None and all(t[1][c][:2] == (MM, MM) for c in (1, 2, 4)), "3 15: channel 15's displacement only",
          p.last())
    p.send("3 1.5\n")
    t = p.wait_for(lambda mode, rows: rows[2][:2] == (MM, ZERO))
    check(t is not None and all(t[1][c][:2] == (MM, MM) for c in (1, 4)), "3 1.5: channel 2 (1.5 rounds to even)",
          p.last())
    p.send("1\n")
    check(p.wait_for(lambda mode, rows: all(rows[c][:2] == (MM, ZERO) for c in live)) is not None,
          "1: every displacement 0.000 mm, the values stay", p.last())
    t = p.wait_for(lambda mode, rows: rows[3][2].startswith("数据脱离 "), 10)
    check(t is not None and counter(t[1][3][2]) > 0 and t[1][3][0] == MM,
          "the silent gauge 3: 数据脱离 with its count, its value kept", p.last())

    check(hardware_command(p, "4 15", "channel zero frame code 2 (fast state, zero) for channel 15: obeyed by 15",
                           sim_log), "4 15: a zero frame for channel 15 reaches its gauge")
    check(p.wait_for(lambda mode, rows: rows[15][0] == ZERO and rows[1][0] == MM) is not None,
          "channel 15's gauge shows 0.000, channel 1's still 2.500", p.last())
    check(hardware_command(p, "2", "command code 2 (fast state, zero) for all gauges: obeyed by 1-2,4,15", sim_log),
          "2: a hardware zero of all gauges reaches them")
    check(p.wait_for(lambda mode, rows: all(rows[c][0] == ZERO for c in live)) is not None,
          "every live gauge shows 0.000", p.last())
    p.send("t\n")
    check(p.wait_for(lambda mode, rows: mode == "千分表" and rows[1][0] == "      0.0000 mm") is not None,
          "t: 千分表, four decimals", p.last())

    p.send("3 33\nbogus\nq\n")
    try:
        rc = p.proc.wait(timeout=5)
    except subprocess.TimeoutExpired:
        p.proc.kill()
        rc = p.proc.wait()
    p.reader.join(5)
    err = p.proc.stderr.read()
    check(rc == 0, f"q ends pellin with status 0 (got {rc}; {err.strip()})")
    check("> 3 33: no channel 1..32, nothing sent\n" in p.lines and 'unknown command "bogus"' in err,
          "3 33 sends nothing, an unknown command is told", err)
    check(p.lines[-34].startswith("-- ") and p.lines[-1].startswith(" 32#"), "a last table at the end",
          "".join(p.lines[-3:]))
    check(log_has(trace, f"disconnect: COM{COM}", 1), "the driver's session ended and let the pty go")

    # The pty is free for the next run; input at its end does not stop it, SIGTERM does.
    p = Pellin(env, stdin=subprocess.DEVNULL)
    check(p.wait_for(lambda mode, rows: rows[1][0] == ZERO, 8) is not None and p.proc.poll() is None,
          "a second run gets the gauges and runs on with its input at an end", p.last())
    p.proc.send_signal(signal.SIGTERM)
    rc = p.proc.wait(timeout=5)
    check(rc == 0 and open(trace).read().count(f"disconnect: COM{COM}") == 2,
          f"SIGTERM ends it with status 0 and the driver's end (got {rc})")

    start = time.monotonic()
    out = subprocess.run([f"{BIN}/pellin", "--quit-on-eof"], env=env, stdin=subprocess.DEVNULL,
                         capture_output=True, text=True, timeout=10)
    check(out.returncode == 0 and time.monotonic() - start < 3 and out.stdout.startswith("-- 0.0 s  百分表 --"),
          f"--quit-on-eof ends at the end of the input ({out.returncode})")

    for library, missing in (("/nonexistent/libVexla.so", "/nonexistent/libVexla.so"),
                             ("libc.so.6", "EnableCtrls in libc.so.6")):
        start = time.monotonic()
        out = subprocess.run([f"{BIN}/pellin", "--library", library], env=env, stdin=subprocess.PIPE,
                             capture_output=True, text=True, timeout=10)
        check(out.returncode == 2 and f"cannot bind {missing}: " in out.stderr and time.monotonic() - start < 3,
              f"{library}: names {missing} and the reason, status 2 ({out.returncode}, {out.stderr.strip()})")


def main():
    work = tempfile.mkdtemp(prefix="pellin-test-")
    config = os.path.join(work, ".config")
    os.makedirs(os.path.join(config, "系统配置"))
    # The test program never sets a network segment: segment 0's file.
    settings = f"[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号={COM}\r\n波特率=19200\r\n[用户参数]\r\n显示DLL小窗口=0\r\n"
    with open(os.path.join(config, "系统配置", "Vexla配置000.txt"), "wb") as f:
        f.write(settings.encode("gbk"))
    trace = os.path.join(work, "trace.txt")
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, VEXLA_TRACE=trace, WINEPREFIX=os.path.join(work, "wine"))
    sim_log = os.path.join(work, "gaugesim.log")
    sim = subprocess.Popen([f"{BIN}/gaugesim", "--format", "3", "--com", str(COM), "--channels", "1-4,15", "--motion",
                            "still", "--position", "2.5", "--silence", "3@3+1000"],
                           env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    try:
        check(log_has(sim_log, f"vexla/dosdevices/com{COM}", 5), f"gaugesim is up on COM {COM}")
        run(env, sim_log, trace)
    except Exception as e:  # a broken step fails the test
        failures.append(repr(e))
        print("FAILED:", repr(e))
    finally:
        for proc in running:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        sim.terminate()
        sim.wait(timeout=10)
    return finish("pellin end-to-end test", work, sim_log)


if __name__ == "__main__":
    sys.exit(main())
