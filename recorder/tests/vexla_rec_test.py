#!/usr/bin/env python3
"""vexla-rec as a site runs it: against gaugesim on a pty linked as a COM
port, in a home of its own. Checks the CSV rows against the gauges' known
motions and the limits, capture mode's row sets, a recorder killed with
SIGKILL, a read-only folder and a full file system (tmpfs mounts in a mount
namespace of the test's own), never overwriting, and bad arguments.

Usage: vexla_rec_test.py BIN_DIR [--wine WINE]  (vexla-rec, the driver, gaugesim)
Under Wine only the recording and capture runs are made: the rest is the
same code on both systems.
"""

import argparse
import csv
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "testing"))
from checklist import check, failures, finish, wait_for, write_driver_settings  # noqa: E402

ROW = re.compile(r"^(?:(\d+),)?(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d),(\d+),(-?\d+\.\d+),(-?\d+\.\d+),"
                 r"(\d+\.\d)?(?:,(OK|LOW|HIGH)?)?(?:,(OK|NOK[ 0-9a-z]*))?$")


def parse(path):
    """(heading, rows, partial): complete lines only; a last line without
    its end is the partial line of a recorder that was stopped mid-write."""
    data = open(path, "rb").read().decode()
    lines = data.split("\r\n")
    partial = lines.pop()  # "" when the file ends with a line end
    heading = lines[0] if lines else ""
    rows = [ROW.match(line) for line in lines[1:]]
    return heading, rows, partial


def prompted(rec):
    # Each identity typed (as a scanner types it: one line) takes a part; an
    # empty line takes none. Parts are typed once the gauge reads.
    proc = subprocess.Popen(rec.command("--channels", "1", "--part-id", "prompt", "--duration", "30", "-o",
                                        rec.path("prompted.csv"), "-q"),
                            env=rec.env, cwd=rec.work, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    told = []
    reader = threading.Thread(target=lambda: told.extend(iter(proc.stderr.readline, b"")), daemon=True)
    reader.start()

    def verdicts():
        # After the prompt: on a pipe nothing echoes the typed line.
        return [line for line in told if re.search(rb"\b(OK|NOK)\s+part ", line)]

    def take(typed):
        before, empties = len(verdicts()), sum(b"no part id typed" in line for line in told)
        proc.stdin.write(typed.encode() + b"\n")
        proc.stdin.flush()
        wait_for(lambda: len(verdicts()) > before or sum(b"no part id typed" in line for line in told) > empties, 5)

    for _ in range(40):
        take("warm-up")
        if verdicts() and re.search(rb"\bOK\s+part ", verdicts()[-1]):
            break
    ids = ["A-0001", "", 'x,"y"', "王工-3"]
    for typed in ids:
        take(typed)
    proc.stdin.close()
    proc.terminate()
    proc.wait(timeout=30)
    with open(os.path.join(rec.work, "prompted.csv"), newline="", encoding="utf-8") as f:
        rows = [r for r in csv.DictReader(f) if r["part_id"] != "warm-up"]
    numbers = [int(r["part"]) for r in rows]
    check([r["part_id"] for r in rows] == [i for i in ids if i] and numbers == list(range(numbers[0], numbers[0] + 3)),
          "each typed identity took one part, the empty line none", rows)
    check(any(b"no part id typed: no part taken" in line for line in told), "an empty line is told", told)


def whole_rows(path):
    return [r for r in parse(path)[1] if r] if os.path.exists(path) else []


class Recorder:
    def __init__(self, args, work, env, wine=None):
        self.args, self.work, self.env, self.wine = args, work, env, wine

    def path(self, name):
        full = os.path.join(self.work, name)
        return "Z:" + full.replace("/", "\\") if self.wine else full

    def command(self, *options):
        # A segment of the test's own: under Wine the prefix is shared.
        program = os.path.join(self.args.bin, "vexla-rec.exe" if self.wine else "vexla-rec")
        segment = [] if options[:1] == ("report",) else ["--segment", str(self.args.com)]
        return ([self.wine] if self.wine else []) + [program, *segment, *options]

    def run(self, *options, stdin=None, timeout=60, prefix=()):
        return subprocess.run([*prefix, *self.command(*options)], env=self.env, cwd=self.work, input=stdin,
                              capture_output=True, text=True, timeout=timeout)


def recording_and_limits(rec):
    with open(os.path.join(rec.work, "limits.csv"), "w") as f:
        f.write("channel,nominal,lower,upper,name\n1, 0.50, -0.10, 0.10, ramp\n2, 0, -0.5, 0.5, still\n")
    out = rec.run("--channels", "1-2,5", "--kind", "2=0.001", "--duration", "6", "--limits", rec.path("limits.csv"),
                  "-o", rec.path("run.csv"))
    check(out.returncode == 0, f"a 6 s recording ends with status 0 ({out.returncode}, {out.stderr.strip()})")
    heading, rows, partial = parse(os.path.join(rec.work, "run.csv"))
    check(heading == "time,channel,value_mm,displacement_mm,rate_per_s,judgement" and partial == "",
          "the heading names the judgement column; the file ends with a whole line", heading)
    check(rows and all(rows), "every row parses", [r for r in rows if not r][:3])
    rows = [r for r in rows if r]
    ramp = [float(r[5]) for r in rows if r[3] == "1"]
    still = [r for r in rows if r[3] == "2"]
    falls = [(a, b) for a, b in zip(ramp, ramp[1:]) if b < a]
    check(len(ramp) >= 20 and not falls and ramp[-1] - ramp[0] > 0.4,
          f"channel 1's ramp: {len(ramp)} rows, rising from {ramp[:1]} to {ramp[-1:]}", falls)
    check(still and all(r[4] == "-0.250" and r[5] == "-0.250" for r in still),
          "channel 2, a 0.001 mm gauge, reads -0.250 with three decimals", still[:2])
    check(not any(r[3] not in ("1", "2") for r in rows), "only chosen channels, and 5 sends nothing")
    judged = [(float(r[5]), r[7]) for r in rows if r[3] == "1"]
    expected = [(d, "LOW" if d < 0.4 else "HIGH" if d > 0.6 else "OK") for d, _ in judged]
    check(judged == expected and {"LOW", "OK", "HIGH"} <= {j for _, j in judged},
          "channel 1 judged LOW, then OK between 0.40 and 0.60, then HIGH", judged[:5])
    check("ramp" in out.stdout and re.search(r"^\s+1\s+ramp\s+" + str(len(ramp)) + r"\s", out.stdout, re.M),
          "the summary counts channel 1's rows under its name", out.stdout)

    # The report of this recording: a trend line per channel.
    out = rec.run("report", rec.path("run.csv"), "--limits", rec.path("limits.csv"))
    html = open(os.path.join(rec.work, "run.html"), encoding="utf-8").read() if out.returncode == 0 else ""
    check(html.count('<polyline class="trend"') == 2 and "<script" not in html,
          f"the report has a trend line for channels 1 and 2 and no script ({out.returncode}, {out.stderr.strip()})")
    out = rec.run("report", rec.path("run.csv"), "--limits", rec.path("limits.csv"), "--json", rec.path("run.json"))
    summary = read_json(os.path.join(rec.work, "run.json")) if out.returncode == 0 else {}
    counts = {c["channel"]: c["count"] for c in summary.get("characteristics", [])}
    still = [c for c in summary.get("characteristics", []) if c["channel"] == 2]
    check(counts == {1: len(ramp), 2: len([r for r in rows if r[3] == "2"])} and summary["mode"] == "continuous"
          and still and still[0]["capability"]["cpk"] is None,
          f"the JSON summary counts each channel's readings; a channel without spread has no Cpk ({out.stderr.strip()})",
          summary.get("characteristics", [{}])[-1:])

    # The name is taken: the next free one, the first file untouched.
    before = open(os.path.join(rec.work, "run.csv"), "rb").read()
    out = rec.run("--channels", "2", "--duration", "0.5", "-o", rec.path("run.csv"), "-q")
    check(out.returncode == 0 and os.path.exists(os.path.join(rec.work, "run-2.csv")),
          f"an existing file makes the recorder take run-2.csv ({out.stdout.strip()})")
    out = rec.run("--channels", "2", "--duration", "0.5", "-o", rec.path("run.csv"), "--exists", "stop")
    check(out.returncode == 1 and "exists already" in out.stderr, f"--exists stop refuses ({out.stderr.strip()})")
    check(open(os.path.join(rec.work, "run.csv"), "rb").read() == before, "the first recording is unchanged")


def read_json(path):
    """The file as JSON, refusing NaN and Infinity, which JSON does not have."""
    def refuse(constant):
        raise ValueError(f"{constant} in {path}")
    with open(path, encoding="utf-8") as f:
        return json.load(f, parse_constant=refuse)


def drift(rec):
    # A gauge of its own on another port wobbles around 0 (0, +10, -10, +5,
    # -5 µm) for 45 steps of 0.2 s, then stands 30 µm higher; a part is taken
    # every 0.2 s, so the limits come from the wobble (the driver's averaging
    # and the two rhythms may make the wobble break a rule of its own). The
    # drift breaks rule 2 by its second or third part (two of three beyond
    # 2σ) and rule 4 by its eighth (eight in a row above the centre line).
    port = rec.args.com + 30  # its own port and segment: under Wine the prefix is shared
    write_driver_settings(rec.folder, port)
    script = ",".join(["0", "0.010", "-0.010", "0.005", "-0.005"] * 9 + ["0.030"] * 60)
    log = os.path.join(rec.work, "drift-gaugesim.log")
    sim = subprocess.Popen([rec.args.gaugesim or os.path.join(rec.args.bin, "gaugesim"), "--format", "3", "--baud",
                            "115200", "--com", str(port), "--channels", "1", "--kind", "1=0.001", "--motion", "script",
                            "--script", script, "--dwell", "0.2"],
                           env=rec.env, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    try:
        wait_for(lambda: "link:" in open(log).read(), 10)
        out = rec.run("--segment", str(port), "--channels", "1", "--kind", "0.001", "--every", "0.2", "--duration",
                      "16", "-o", rec.path("drift.csv"), "-q")
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    report = rec.run("report", rec.path("drift.csv"), "--json", rec.path("drift.json"))
    check(out.returncode == 0 and report.returncode == 0, "a capture run of the drifting gauge and its report",
          out.stderr + report.stderr)
    with open(os.path.join(rec.work, "drift.csv"), newline="", encoding="utf-8") as f:
        shown = {int(r["part"]): float(r["displacement_mm"]) for r in csv.DictReader(f)}
    first = min((p for p, mm in shown.items() if mm > 0.025), default=0)
    bore = read_json(os.path.join(rec.work, "drift.json"))["characteristics"][0]
    at = {rule: {v["parts"][-1]["part"] for v in bore["violations"] if v["rule"] == rule and v["chart"] == "location"}
          for rule in (2, 4)}
    check(first > 25 and abs(bore["chart"]["location"]["centre"]) < 0.005
          and any(first <= p <= first + 2 for p in at[2]) and any(first <= p <= first + 7 for p in at[4]),
          f"the drift from part {first} breaks rule 2 within three parts and rule 4 within eight", at)


def still_outside(rec):
    # A gauge standing at -0.25 mm (with a few µm of jitter: a gauge that does
    # not move at all has no spread, and so no capability), toleranced
    # 0 ± 0.10: every part NOK, and the report's Ppk below zero.
    port = rec.args.com + 40
    write_driver_settings(rec.folder, port)
    with open(os.path.join(rec.work, "still-limits.csv"), "w") as f:
        f.write("2, 0, -0.10, 0.10, shaft\n")
    log = os.path.join(rec.work, "still-gaugesim.log")
    sim = subprocess.Popen([rec.args.gaugesim or os.path.join(rec.args.bin, "gaugesim"), "--format", "3", "--baud",
                            "115200", "--com", str(port), "--channels", "2", "--kind", "2=0.001", "--motion", "walk",
                            "--position", "-0.25", "--speed", "0.004"],
                           env=rec.env, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    try:
        wait_for(lambda: "link:" in open(log).read(), 10)
        out = rec.run("--segment", str(port), "--channels", "2", "--kind", "2=0.001", "--limits",
                      rec.path("still-limits.csv"), "--every", "0.2", "--duration", "3", "-o", rec.path("still.csv"),
                      "-q")
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    report = rec.run("report", rec.path("still.csv"), "--limits", rec.path("still-limits.csv"), "--json",
                     rec.path("still.json"))
    with open(os.path.join(rec.work, "still.csv"), newline="", encoding="utf-8") as f:
        verdicts = {r["part_verdict"] for r in csv.DictReader(f)}
    shaft = read_json(os.path.join(rec.work, "still.json"))["characteristics"][0] if report.returncode == 0 else {}
    ppk = shaft.get("capability", {}).get("ppk")
    check(out.returncode == 0 and verdicts == {"NOK 2"} and re.search(r"first-pass yield: 0\.0 %", out.stdout)
          and ppk is not None and ppk < 0,
          f"a gauge standing outside its limits: every part NOK, Ppk {ppk} below zero", (verdicts, out.stdout[-300:]))


def control_charts(rec):
    # A capture recording of 40 parts whose channel 3 wanders by a step or
    # two, with one part far out, named with a comma and non-ASCII letters.
    planted, name = 31, "A,ü 王-31"
    with open(os.path.join(rec.work, "planted.csv"), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["part", "part_id", "batch", "operator", "time", "channel", "value_mm", "displacement_mm",
                    "rate_per_s", "part_verdict"])
        for part in range(1, 41):
            mm = "0.50" if part == planted else f"{0.01 * (part * 7 % 5 - 2):.2f}"
            w.writerow([part, name if part == planted else f"P{part:03d}", "lot 7", "王工",
                        f"2026-12-08T10:00:{part:02d}.000+01:00", 3, mm, mm, "5.0",
                        "NOK 3" if part == planted else "OK"])
    with open(os.path.join(rec.work, "planted-limits.csv"), "w") as f:
        f.write("3, 0, -0.10, 0.10, bore\n")
    out = rec.run("report", rec.path("planted.csv"), "--limits", rec.path("planted-limits.csv"), "-o",
                  rec.path("planted.html"), "--json", rec.path("planted.json"))
    check(out.returncode == 0, f"the report writes the page and the JSON ({out.returncode}, {out.stderr.strip()})")
    summary = read_json(os.path.join(rec.work, "planted.json"))
    bore = summary["characteristics"][0]
    beyond = [v for v in bore["violations"] if v["rule"] == 1 and v["chart"] == "location"]
    check(bore["name"] == "bore" and bore["chart"]["kind"] == "I-MR" and bore["chart"]["sigma_estimate"] == "MR̄/d2"
          and not bore["in_control"] and bore["nok"] == 1
          and [v["parts"] for v in beyond] == [[{"part": planted, "part_id": name}]],
          f"the planted part {planted} breaks rule 1 of the X chart, named as written", beyond)
    check([(p["part"], p["part_id"], p["operator"]) for p in summary["parts"]][planted - 1] == (planted, name, "王工")
          and len(summary["parts"]) == 40, "the parts read back with their identity and operator")
    html = open(os.path.join(rec.work, "planted.html"), encoding="utf-8").read()
    check('class="violation" data-chart="location" data-point="31"' in html and "not meaningful" in html
          and "<script" not in html, "the page marks part 31 on the X chart and says the capability is not meaningful")

    # An X-bar-R chart under Nelson's rules, and a control limits file with a faulty line.
    out = rec.run("report", rec.path("planted.csv"), "--subgroup", "5", "--baseline", "20", "--rules", "nelson",
                  "--json", rec.path("subgroups.json"))
    chart = read_json(os.path.join(rec.work, "subgroups.json"))["characteristics"][0]["chart"] if out.returncode == 0 else {}
    check((chart.get("kind"), chart.get("subgroup"), chart.get("sigma_estimate"), chart.get("rules")) ==
          ("Xbar-R", 5, "R̄/d2", "nelson"), f"--subgroup 5 --rules nelson: an X-bar-R chart ({out.stderr.strip()})", chart)
    # The limits of an earlier run instead of a baseline.
    with open(os.path.join(rec.work, "control.csv"), "w") as f:
        f.write("channel,chart,subgroup,centre,lower,upper,spread_centre,spread_lower,spread_upper,sigma_within\n"
                "3,I-MR,1,0,-0.3,0.3,0.1,0,0.33,0.1\n")
    out = rec.run("report", rec.path("planted.csv"), "--subgroup", "5", "--control-limits", rec.path("control.csv"),
                  "--json", rec.path("given.json"))
    given = read_json(os.path.join(rec.work, "given.json"))["characteristics"][0] if out.returncode == 0 else {}
    check(given and given["chart"]["limits_from"] == "control limits file" and given["chart"]["subgroup"] == 1
          and given["chart"]["location"] == {"centre": 0, "lower": -0.3, "upper": 0.3}
          and [v["point"] for v in given["violations"] if v["chart"] == "location"] == [planted - 1],
          f"--control-limits: the file's I-MR limits judge the parts from the first on ({out.stderr.strip()})",
          given.get("violations"))
    check(not os.path.exists(os.path.join(rec.work, "planted.html.part")) and
          not os.path.exists(os.path.join(rec.work, "subgroups.html")), "--json alone writes no page")


def capture(rec):
    # Enter is pressed once the previous part's verdict is told on stderr
    # (channel 6, which sends nothing, makes every part NOK), until three
    # parts have channels 1 and 2: a press before the first readings arrive
    # gives a part that misses them too. The parts are numbered from 100 and
    # carry a batch and an operator that CSV must quote or keep as UTF-8.
    proc = subprocess.Popen(rec.command("--channels", "1-2,6", "--capture", "--duration", "15", "-o",
                                        rec.path("parts.csv"), "-q", "--part-id", "counter:100", "--batch",
                                        'lot "7", line 2', "--operator", "王工"),
                            env=rec.env, cwd=rec.work, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    told = []
    reader = threading.Thread(target=lambda: told.extend(iter(proc.stderr.readline, "")), daemon=True)
    reader.start()
    complete = []
    for part in range(1, 30):
        proc.stdin.write("\n")
        proc.stdin.flush()
        if not wait_for(lambda: len(told) >= part, 5):
            break
        if told[part - 1].rstrip().endswith(f"NOK  part {part} ({99 + part}): missing 6"):
            complete.append(str(part))
        if len(complete) == 3:
            break
    out, _ = proc.communicate(timeout=30)
    reader.join(timeout=5)
    with open(os.path.join(rec.work, "parts.csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    parts = {}
    for r in rows:
        parts.setdefault(r["part"], []).append(r["channel"])
    check(proc.returncode == 0 and len(complete) == 3 and all(parts.get(p) == ["1", "2"] for p in complete),
          f"three parts with readings: a row set of channels 1 and 2 each ({complete}, {parts})")
    check(told and all(re.search(r"NOK  part \d+ \(\d+\): missing (.*, )?6$", line.rstrip()) for line in told),
          "each part is NOK for channel 6, which sends nothing", told)
    check(all(len({r["time"] for r in rows if r["part"] == p}) == 1 for p in parts), "a part's rows share one time")
    check(rows and all(r["part_id"] == str(99 + int(r["part"])) and r["batch"] == 'lot "7", line 2'
                       and r["operator"] == "王工" and r["part_verdict"].startswith("NOK") for r in rows),
          "each row names its part, batch and operator, and the part's verdict", rows[:2])
    check(re.search(r"parts: \d+, NOK: \d+, first-pass yield: 0\.0 %", out) is not None,
          "the summary counts the parts and the first-pass yield", out)
    out = rec.run("report", rec.path("parts.csv"), "--json", rec.path("parts.json"))
    parts = read_json(os.path.join(rec.work, "parts.json")).get("parts", []) if out.returncode == 0 else []
    check(parts and [(str(p["part"]), p["part_id"], p["batch"], p["operator"], p["verdict"]) for p in parts] ==
          list(dict.fromkeys((r["part"], r["part_id"], r["batch"], r["operator"], r["part_verdict"]) for r in rows)),
          f"the JSON summary lists the recorded parts as the CSV names them ({out.stderr.strip()})", parts[:2])

    out = rec.run("--channels", "1", "--every", "0.5", "--duration", "2.2", "-o", rec.path("every.csv"),
                  "-q")
    numbers = [int(r[1]) for r in whole_rows(os.path.join(rec.work, "every.csv"))]
    check(out.returncode == 0 and numbers and numbers == list(range(numbers[0], numbers[0] + len(numbers)))
          and 3 <= len(numbers) <= 5,
          f"--every 0.5 for 2.2 s: a row set each half second ({numbers}, status {out.returncode})", out.stderr)


def killed(rec):
    proc = subprocess.Popen(rec.command("--duration", "30", "-o", rec.path("killed.csv"), "-q"), env=rec.env,
                            cwd=rec.work, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    killed_csv = os.path.join(rec.work, "killed.csv")
    check(wait_for(lambda: len(whole_rows(killed_csv)) > 20), "the recorder writes rows before it is killed")
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    heading, rows, partial = parse(os.path.join(rec.work, "killed.csv"))
    check(heading.startswith("time,") and len(rows) > 20 and all(rows),
          f"killed with SIGKILL: {len(rows)} whole rows, every one parses; partial line {partial!r}")

    # SIGINT: the run ends at its next tick and prints its summary.
    proc = subprocess.Popen(rec.command("--channels", "1", "-o", rec.path("interrupted.csv"), "-q"), env=rec.env,
                            cwd=rec.work, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    check(wait_for(lambda: whole_rows(os.path.join(rec.work, "interrupted.csv"))), "rows before the interrupt")
    proc.send_signal(signal.SIGINT)
    out, _ = proc.communicate(timeout=10)
    check(proc.returncode == 0 and "rows in" in out and parse(os.path.join(rec.work, "interrupted.csv"))[2] == "",
          "SIGINT ends the run with its summary and a whole last line", out)


def unwritable(rec):
    # Mounts in a namespace of our own: a read-only folder, and a file
    # system with one page left.
    script = f"""
set -e
mkdir -p "{rec.work}/ro" "{rec.work}/full"
mount -t tmpfs -o ro,size=16k tmpfs "{rec.work}/ro"
mount -t tmpfs -o size=16k tmpfs "{rec.work}/full"
head -c 12288 /dev/zero >"{rec.work}/full/filler"
set +e
"$@" -o "{rec.work}/ro/run.csv" --duration 2; echo "rc=$?"
"$@" -o "{rec.work}/full/run.csv" --duration 20; echo "rc=$?"
tail -c 300 "{rec.work}/full/run.csv" >"{rec.work}/full-tail.txt"
"""
    out = subprocess.run(["unshare", "--mount", "--map-root-user", "sh", "-c", script, "sh",
                          *rec.command("-q")], env=rec.env, cwd=rec.work, capture_output=True, text=True,
                         timeout=60)
    if "unshare failed" in out.stderr or "Operation not permitted" in out.stderr:
        print("skipped: no mount namespace here:", out.stderr.strip())
        return
    codes = re.findall(r"rc=(\d+)", out.stdout)
    check(codes[:1] == ["1"] and "cannot create" in out.stderr and "Read-only file system" in out.stderr,
          f"a read-only folder: a clear message and status 1 ({codes}, {out.stderr.strip()})")
    check(codes[1:2] == ["1"] and "No space left on device" in out.stderr and "the recording stops here" in out.stderr,
          "a full file system stops the recording with a clear message and status 1", out.stderr)
    tail = open(os.path.join(rec.work, "full-tail.txt"), "rb").read().decode()
    whole = tail.split("\r\n")[1:-1]
    check(whole and all(ROW.match(line) for line in whole), "the full disk's file holds whole rows up to the end")


def bad_input(rec):
    cases = [
        (("--channels", "0-3"), 2, "expected channels 1..32"),
        (("--kind", "0.1"), 2, "expected 0.01 or 0.001"),
        (("--duration", "-1"), 2, "expected seconds"),
        (("--frobnicate",), 2, "unknown option"),
        (("--capture", "--part-id", "counter:x"), 2, "expected prompt, counter or counter:START"),
        (("--batch", "lot 7"), 2, "they need --capture or --every"),
        (("--limits", "/nonexistent/limits.csv"), 2, "cannot read the limits file /nonexistent/limits.csv"),
        (("--limits", "bad-limits.csv"), 2, "line 2: the lower tolerance is above the upper one"),
        (("--library", "/nonexistent/libVexla.so"), 1, "cannot use the driver /nonexistent/libVexla.so"),
    ]
    with open(os.path.join(rec.work, "bad-limits.csv"), "w") as f:
        f.write("1,0,-1,1\n2,0,1,-1\n")
    for args, code, message in cases:
        out = rec.run(*args, "-o", rec.path("never.csv"))
        check(out.returncode == code and message in out.stderr, f"{' '.join(args)}: status {code}, {message!r}",
              out.stderr)
    check(not os.path.exists(os.path.join(rec.work, "never.csv")), "no file is made for a run that cannot start")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--wine")
    parser.add_argument("--gaugesim")
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    com = args.com = 51 if args.wine else 50
    work = tempfile.mkdtemp(prefix="vexla-rec-test-")
    config = os.path.join(work, ".config")
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8", WINEDEBUG="-all")
    folder = (os.path.join(env["WINEPREFIX"], "drive_c", "系统配置") if args.wine
              else os.path.join(config, "系统配置"))
    os.makedirs(folder, exist_ok=True)
    write_driver_settings(folder, com)
    sim_log = os.path.join(work, "gaugesim.log")
    rec = Recorder(args, work, env, args.wine)
    rec.folder = folder
    # Channel 1 ramps at 0.3 mm/s from -0.80 mm, through the limits 0.40..0.60
    # 4 s after the start: the first recording, 6 s long, sees it below,
    # inside and above them however long the recorder takes to start (under
    # Wine on a busy machine, seconds).
    sim = subprocess.Popen(
        [args.gaugesim or os.path.join(args.bin, "gaugesim"), "--format", "3", "--baud", "115200", "--com", str(com),
         "--channels", "1-4", "--kind", "2=0.001", "--motion", "still", "--motion", "1=ramp", "--position",
         "1=-0.80", "--speed", "0.3", "--position", "2=-0.25"],
        env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    try:
        deadline = time.monotonic() + 10
        while "link:" not in open(sim_log).read() and time.monotonic() < deadline:
            time.sleep(0.05)
        recording_and_limits(rec)
        capture(rec)
        prompted(rec)
        control_charts(rec)
        drift(rec)
        still_outside(rec)
        if not args.wine:
            killed(rec)
            unwritable(rec)
            bad_input(rec)
    except Exception as e:  # a broken step fails the test with its reason
        failures.append(repr(e))
        print("FAILED:", repr(e))
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    return finish("vexla-rec test", work, sim_log, 2000)


if __name__ == "__main__":
    sys.exit(main())
