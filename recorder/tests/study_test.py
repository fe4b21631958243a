#!/usr/bin/env python3
"""vexla-rec's gauge studies and AQDEF export as a site runs them: against
gaugesim on a pty, in a home of its own. A Type-1 study of a gauge whose
readings scatter by a known σ gives the Cg that σ predicts; a gauge R&R
killed with SIGKILL resumes from its file without losing a capture; bad
studies are refused with their reason; an AQDEF export is read back field
by field by a reader of this test's own.

Usage: study_test.py BIN_DIR [--wine WINE --gaugesim PATH]  (vexla-rec, the
driver, gaugesim). Under Wine the Type-1 study, the refusals and the export
are run; the killed run is the same code on both systems.
"""

import argparse
import csv
import json
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "testing"))
from checklist import check, failures, finish, wait_for, write_driver_settings  # noqa: E402


class Study:
    """vexla-rec study run with its prompts read as they come; Enter is
    pressed only once the next prompt is there."""

    def __init__(self, t, *args):
        self.proc = subprocess.Popen([*t.rec, "study", *args], env=t.env, cwd=t.work,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.told = []
        threading.Thread(target=lambda: self.told.extend(iter(self.proc.stderr.readline, b"")), daemon=True).start()

    def prompts(self):
        return [line.decode() for line in self.told if b"press Enter" in line]

    def refusals(self):
        return sum(b"no current reading" in line for line in self.told)

    def press(self, count):
        """Enter once per prompt until `count` captures are taken (a press
        before the gauge reads is refused and made again); False when the
        program stops answering."""
        taken = 0
        for _ in range(count + 200):
            if taken == count:
                return True
            if not wait_for(lambda: self.prompts(), 10):
                return False
            seen, refused = len(self.prompts()), self.refusals()
            self.proc.stdin.write(b"\n")
            self.proc.stdin.flush()
            if not wait_for(lambda: len(self.prompts()) > seen or self.refusals() > refused
                            or b"complete" in b"".join(self.told[-1:]) or self.proc.poll() is not None, 10):
                return False
            taken += self.refusals() == refused
        return taken == count


def gaugesim(t, port, *args):
    # Filter depth 1: each capture is one reading of the gauge, not a mean
    # of the last few (which would hide the very spread a study measures).
    write_driver_settings(t.folder, port, "数据过滤深度=1")
    log = os.path.join(t.work, f"gaugesim-{port}.log")
    sim = subprocess.Popen([t.gaugesim, "--format", "3", "--baud", "115200", "--com", str(port),
                            *args], env=t.env, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    wait_for(lambda: "link:" in open(log).read(), 10)
    return sim


def type1(t):
    # The master part reads 10.000 mm on a gauge whose readings scatter over
    # ten positions (µm: -3 -2 -2 -1 0 0 +1 +2 +2 +3, shuffled, 70 ms each,
    # round and round; 20 readings a second) of a 0.001 mm gauge: σ = √(36/10) = 1.90 µm. With a
    # tolerance of 0.1 mm the expected Cg is 0.2 · 0.1 / (6 · 0.00190) = 1.76
    # and, with no bias, Cgk as much.
    offsets = [0, 2, -3, 1, -2, 3, 0, -1, 2, -2]
    script = [10.0 + 0.001 * o for o in offsets]
    sigma = statistics.pstdev(script)
    expected = 0.2 * 0.1 / (6 * sigma)
    sim = gaugesim(t, t.port, "--channels", "1", "--kind", "1=0.001", "--standard-rate", "20", "--motion", "script",
                   "--script", ",".join(f"{v:.3f}" for v in script), "--dwell", "0.07")
    try:
        study = Study(t, "type1", "--segment", str(t.port), "--reference", "10.000", "--tolerance", "0.1", "--count", "50",
                      "--kind", "0.001", "-o", "type1.csv", "--json", "type1.json")
        pressed = study.press(50)
        out, _ = study.proc.communicate(timeout=30)
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    check(pressed and study.proc.returncode == 0, "a Type-1 study of 50 captures completes", b"".join(study.told))
    result = json.load(open(os.path.join(t.work, "type1.json")))["channels"][0]
    check(result["count"] == 50 and abs(result["cg"] - expected) < 0.2 * expected
          and abs(result["bias"]) < 0.002,
          f"Cg {result['cg']:.2f} near {expected:.2f}, what σ = {sigma * 1000:.2f} µm predicts; "
          f"bias {result['bias'] * 1000:.2f} µm", result)
    rows = list(csv.DictReader(line for line in open(os.path.join(t.work, "type1.csv")) if not line.startswith("#")))
    check(len(rows) == 50 and {r["trial"] for r in rows} == {str(i) for i in range(1, 51)},
          "the study file holds every capture once", len(rows))
    check(os.path.exists(os.path.join(t.work, "type1.html")) and b"Cg" in out, "its report and summary")


def grr_killed_and_resumed(t):
    # Two gauges with the Type-1 study's scatter (σ 1.90 µm) and nothing
    # else: the operators make no difference, so AV must come out well
    # below EV (an estimate of zero, give or take its sampling error).
    offsets = [0, 2, -3, 1, -2, 3, 0, -1, 2, -2]
    script = ",".join(f"{0.5 + 0.001 * o:.3f}" for o in offsets)
    sim = gaugesim(t, 62, "--channels", "1-2", "--kind", "0.001", "--standard-rate", "20", "--motion", "script",
                   "--script", script, "--dwell", "0.07")
    names = ["Anna", "王工", "C"]
    try:
        args = ("grr", "--segment", "62", "--parts", "3", "--operator-names", ",".join(names), "--trials", "2",
                "--channels", "1-2", "--kind", "0.001", "--tolerance", "0.5", "--seed", "9", "-o", "grr.csv")
        first = Study(t, *args)
        taken = first.press(5)
        wait_for(lambda: len(first.prompts()) >= 6, 10)
        first.proc.send_signal(signal.SIGKILL)
        first.proc.wait(timeout=10)
        path = os.path.join(t.work, "grr.csv")
        before = open(path, encoding="utf-8").read()
        lines = [line for line in before.splitlines() if line and not line.startswith("#")]
        order = re.search(r"^# order: (.*)$", before, re.M).group(1).split()
        check(taken and len(lines) == 1 + 5 * 2, f"killed after 5 confirmed captures: all 5 are in the file",
              before[-400:])
        # The file's rows follow the order it keeps.
        steps = [f"{names.index(r[0]) + 1}.{r[1]}.{r[2]}" for r in csv.reader(lines[1:])][::2]
        check(steps == order[:5], "the captures followed the order the file keeps", (steps, order[:5]))
        check(first.prompts()[0].startswith(f"operator {names[int(order[0][0]) - 1]}, trial 1: place part "
                                            f"{order[0].split('.')[2]}, press Enter"),
              "the operator is told whose turn it is and which part", first.prompts()[:1])

        second = Study(t, "grr", "--segment", "62", "--kind", "0.001", "--resume", "grr.csv", "--json", "grr.json")
        resumed = second.press(13)
        out, _ = second.proc.communicate(timeout=30)
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    after = open(path, encoding="utf-8").read()
    check(resumed and second.proc.returncode == 0 and after.startswith(before),
          "resumed: the 13 captures left are added after the 5 kept", (second.proc.returncode, b"".join(second.told)))
    rows = [r for r in csv.reader(line for line in after.splitlines() if line and not line.startswith("#"))][1:]
    cells = {(r[0], r[1], r[2], r[3]) for r in rows}
    check(len(rows) == 36 and len(cells) == 36, "every operator, trial, part and channel once", len(rows))
    result = json.load(open(os.path.join(t.work, "grr.json")))
    check([c["channel"] for c in result["channels"]] == [1, 2] and result["operators"] == names,
          "results for both channels", result.get("channels", [])[:1])
    figures = [c["anova"]["figures"] for c in result["channels"]]
    check(all(f["ev"] > 0 and f["av"] < f["ev"] for f in figures),
          "no operator effect: AV well below EV on both channels "
          + ", ".join(f"AV {f['av'] * 1000:.2f} µm, EV {f['ev'] * 1000:.2f} µm" for f in figures), figures)


def bad_input(t):
    with open(os.path.join(t.work, "hand.csv"), "w") as f:
        f.write("operator,trial,part,channel,value_mm,time\n")
        for op in "AB":
            for trial in (1, 2):
                for part in (1, 2, 3):
                    if (op, trial, part) != ("B", 2, 3):
                        f.write(f"{op},{trial},{part},1,0.{part}{trial},x\n")
    with open(os.path.join(t.work, "whole.csv"), "w") as f:
        f.write("operator,trial,part,channel,value_mm\n" + "".join(
            f"{op},{trial},{part},1,0.{part}{trial}\n" for op in "AB" for trial in (1, 2) for part in (1, 2)))
    with open(os.path.join(t.work, "one-trial.csv"), "w") as f:
        f.write("operator,trial,part,channel,value_mm\nA,1,1,1,0.1\nA,1,2,1,0.2\nB,1,1,1,0.1\nB,1,2,1,0.2\n")
    cases = [
        (["grr", "--parts", "0", "--operators", "3", "--trials", "3"], "--parts 0: expected 2 to 50 parts"),
        (["grr", "--parts", "10", "--operators", "3", "--trials", "1"], "--trials 1: expected 2 to 10 trials"),
        (["type1", "--analyse", "whole.csv"], "holds a gauge R&R study, not a Type-1 study"),
        (["grr", "--analyse", "type1.csv"], "holds a Type-1 study, not a gauge R&R study"),
        (["grr", "--analyse", "hand.csv"], "operator B, trial 2, part 3 has no reading on channel 1"),
        (["grr", "--analyse", "one-trial.csv"], "2 to 10 trials, not 1"),
        (["type1", "--analyse", "type1.csv", "--tolerance", "0"], "a tolerance above 0"),
    ]
    for args, message in cases:
        out = subprocess.run([*t.rec, "study", *args], env=t.env, cwd=t.work, capture_output=True, text=True,
                             timeout=30)
        check(out.returncode == 2 and message in out.stderr, f"study {' '.join(args)}: refused, {message!r}",
              out.stderr)


def aqdef(t):
    # A capture recording of 3 parts on channels 2 and 5, named with a comma
    # and non-ASCII letters, with limits for channel 2.
    with open(os.path.join(t.work, "parts.csv"), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["part", "part_id", "batch", "operator", "time", "channel", "value_mm", "displacement_mm",
                    "rate_per_s", "part_verdict"])
        for part, ident in enumerate(["A-1", "Ü,2 王", "A-3"], start=1):
            for channel, mm in ((2, f"{0.01 * part:.3f}"), (5, f"{-0.02 * part:.2f}")):
                w.writerow([part, ident, "lot 7", "王工", f"2026-12-08T23:59:5{part}.250+01:00", channel, mm, mm, "5.0",
                            "OK"])
    with open(os.path.join(t.work, "parts-limits.csv"), "w") as f:
        f.write("2, 1.5, -0.05, +0.05, bore Ø\n")
    out = subprocess.run([*t.rec, "export", "--aqdef", "parts.dfq", "parts.csv", "--limits", "parts-limits.csv",
                          "--part-number", "4711-01", "--part-description", "Flansch"], env=t.env, cwd=t.work,
                         capture_output=True, text=True, timeout=30)
    check(out.returncode == 0, "the export runs", out.stderr)
    data = open(os.path.join(t.work, "parts.dfq"), "rb").read()
    check(data.startswith(b"\xef\xbb\xbf") and data.endswith(b"\r\n"), "UTF-8 with its mark, CR LF lines")
    fields, values = {}, []
    for line in data[3:].decode("utf-8").split("\r\n")[:-1]:
        m = re.fullmatch(r"K(\d{4})(?:/(\d+))? (.*)", line)
        if not m:
            check(False, f"every line is a K-field: {line!r}")
            continue
        key, index, text = int(m.group(1)), int(m.group(2) or 0), m.group(3)
        if key < 100:  # value fields; K0100 and K1xxx, K2xxx describe
            if key == 1:
                values.append({"k": index})
            values[-1][key] = text
        else:
            fields[(key, index)] = text
    check(fields.get((100, 0)) == "2" and fields.get((1001, 0)) == "4711-01" and fields.get((1002, 0)) == "Flansch",
          "K0100 counts 2 characteristics; K1001 and K1002 name the part", fields)
    check([fields.get((2001, i)) for i in (1, 2)] == ["2", "5"]
          and fields.get((2002, 1)) == "bore Ø" and fields.get((2002, 2)) == "channel 5"
          and fields.get((2101, 1)) == "1.500" and fields.get((2110, 1)) == "1.4500"
          and fields.get((2111, 1)) == "1.5500" and (2110, 2) not in fields
          and fields.get((2022, 1)) == "3" and fields.get((2022, 2)) == "2" and fields.get((2142, 2)) == "mm",
          "characteristics: number, name, decimals, nominal, limits, unit", fields)
    expected = []
    for part, ident in enumerate(["A-1", "Ü,2 王", "A-3"], start=1):
        stamp = f"08.12.2026/23:59:5{part}"
        expected.append({"k": 1, 1: f"{0.01 * part:.3f}", 2: "0", 4: stamp, 6: "lot 7", 8: "王工", 14: ident})
        expected.append({"k": 2, 1: f"{-0.02 * part:.2f}", 2: "0", 4: stamp, 6: "lot 7", 8: "王工", 14: ident})
    check(values == expected, "every value with its attribute, local date and time, batch, operator and part",
          values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--wine")
    parser.add_argument("--gaugesim")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="vexla-study-test-")
    config = os.path.join(work, ".config")
    bin_dir = os.path.abspath(args.bin)
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8", WINEDEBUG="-all")
    t = argparse.Namespace(
        work=work, env=env, gaugesim=args.gaugesim or os.path.join(bin_dir, "gaugesim"),
        rec=[args.wine, os.path.join(bin_dir, "vexla-rec.exe")] if args.wine else [os.path.join(bin_dir, "vexla-rec")],
        # Ports of the test's own: under Wine the prefix is shared with other tests.
        port=63 if args.wine else 61,
        folder=(os.path.join(env["WINEPREFIX"], "drive_c", "系统配置") if args.wine else os.path.join(config, "系统配置")))
    os.makedirs(t.folder, exist_ok=True)
    try:
        type1(t)
        if not args.wine:
            grr_killed_and_resumed(t)
        bad_input(t)
        aqdef(t)
    except Exception as e:  # a broken step fails the test with its reason
        failures.append(repr(e))
        print("FAILED:", repr(e))
    return finish("study test", work, os.path.join(work, f"gaugesim-{t.port}.log"), 2000)


if __name__ == "__main__":
    sys.exit(main())
