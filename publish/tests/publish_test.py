#!/usr/bin/env python3
"""vexla-rec publishing to the real Mosquitto on loopback while it records
from gaugesim: the status, the retained gauges and every part, each payload
valid against its schema in docs/schemas; the broker stopped mid-run and
started again, the recorder killed with parts queued and started again (no
part lost, order kept), the will on a kill, a refused port, bad URLs and
refused credentials.

Usage: publish_test.py BIN_DIR [--wine WINE --gaugesim PATH] [--outage S]
Under Wine the delivery, the outage and the will are run: the rest is the
same code on both systems.
"""

import argparse
import csv
import os
import signal
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "testing"))
sys.path.insert(0, os.path.join(here, "..", "..", "recorder", "tests"))
from checklist import check, failures, finish, write_driver_settings  # noqa: E402
from mqtt_broker import Broker, Subscriber, free_port, stop_all, wait_for  # noqa: E402
from vexla_rec_test import Recorder  # noqa: E402


def csv_parts(path):
    """{part number: [rows]} of a capture file, in the file's order; a
    partial last line (a killed recorder) is left out."""
    parts = {}
    if not os.path.exists(path):
        return parts
    with open(path, newline="", encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\r\n")[:-1]
    for r in csv.DictReader(lines):
        if r.get("part") and r.get("time"):
            parts.setdefault(int(r["part"]), []).append(r)
    return parts


def publish_args(rec, broker, root, queue, *more):
    return ["--publish", broker.url(root), "--publish-station", "st-1", "--publish-queue-file", rec.path(queue), *more]


def in_order_without_loss(received, expected):
    """Every expected part arrived; the first arrival of each is in the
    capture order; a repeat carries the same time (QoS 1 may repeat)."""
    first, times = [], {}
    for p in received:
        if p["part"] in times:
            if times[p["part"]] != p["ts"]:
                return False
            continue
        times[p["part"]] = p["ts"]
        first.append(p["part"])
    return [n for n in first if n in expected] == list(expected) and set(expected) <= set(first)


def delivered(rec, broker):
    sub = Subscriber(broker, "t1")
    out = rec.run("--channels", "1-2", "--every", "0.5", "--duration", "5", "-o", rec.path("p1.csv"), "--limits",
                  rec.path("limits.csv"), "--part-id", "counter", "--batch", "B-1", "--operator", "王工",
                  *publish_args(rec, broker, "t1", "q1.queue"))
    parts = csv_parts(os.path.join(rec.work, "p1.csv"))
    check(out.returncode == 0 and len(parts) >= 8, f"a 5 s capture run: {len(parts)} parts ({out.stderr.strip()})")
    wait_for(lambda: len(sub.parts()) >= len(parts), 10)
    got = sub.parts()
    check([p["part"] for p in got] == list(parts), "every part of the run arrives once, in order",
          ([p["part"] for p in got], list(parts)))
    same = all(p["part_id"] == parts[p["part"]][0]["part_id"] and p["batch"] == "B-1" and p["operator"] == "王工"
               and p["ts"] == parts[p["part"]][0]["time"] and p["station"] == "st-1" for p in got if p["part"] in parts)
    check(same, "each part names its identity, batch, operator and time as the CSV file does", got[:1])
    values = [(p["part"], c["channel"], f'{c["displacement_mm"]:.2f}', c["judgement"]) for p in got
              for c in p["characteristics"] if not c["missing"]]
    rows = [(n, int(r["channel"]), r["displacement_mm"], r["judgement"]) for n, rs in parts.items() for r in rs
            if r["displacement_mm"]]
    check(values == rows, "each characteristic's value and judgement as in the CSV file", (values[:3], rows[:3]))
    check(all(c["lower_limit_mm"] == 0.4 and c["upper_limit_mm"] == 0.6 for p in got for c in p["characteristics"]
              if c["channel"] == 1), "channel 1 carries its limits")
    wait_for(lambda: sub.on("status") and sub.on("status")[-1][0].get("online") is False, 5)
    statuses = [p for p, _ in sub.on("status")]
    check(statuses and statuses[0].get("online") is True and statuses[0]["program"] == "vexla-rec"
          and statuses[0]["segment"] == rec.args.com and statuses[-1].get("online") is False,
          "the status: online with program and segment, offline at the end", statuses)
    ramp = sub.on("gauge/01")
    check(len(ramp) >= 10 and {g["judgement"] for g, _ in ramp} >= {"LOW"} and all(g["name"] == "ramp" for g, _ in ramp),
          f"channel 1's readings while it moves ({len(ramp)})", ramp[:2])
    with sub.lock:
        times = [t for topic, _, _, t in sub.messages if topic.endswith("/gauge/01")]
    busiest = max(sum(1 for u in times if t <= u < t + 1) for t in times) if times else 0
    check(busiest <= 6, f"at most 5 readings a second per channel (the busiest second: {busiest})")
    invalid = sub.invalid()
    check(not invalid, f"all {len(sub.messages)} payloads valid against their schemas", invalid[:3])
    sub.close()
    late = Subscriber(broker, "t1", name="late-comer", persistent=False)
    check(wait_for(lambda: {"gauge/01", "gauge/02", "status"} <= {t.split("/", 2)[2] for t, _, r, _ in late.messages if r},
                   5), "a dashboard that comes later gets the gauges and the status at once (retained)",
          [m[:3] for m in late.messages])
    late.close()


def outage(rec, broker, seconds):
    sub = Subscriber(broker, "t2", name="outage-subscriber")
    log = open(os.path.join(rec.work, "outage.err"), "w")
    proc = subprocess.Popen(rec.command("--channels", "1-2", "--every", "0.5", "--duration", str(seconds + 60), "-o",
                                        rec.path("p2.csv"), "--part-id", "counter",
                                        *publish_args(rec, broker, "t2", "q2.queue")),
                            env=rec.env, cwd=rec.work, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log)
    path = os.path.join(rec.work, "p2.csv")
    check(wait_for(lambda: len(sub.parts()) >= 3, 20), "parts arrive before the broker stops")
    broker.stop()
    before = len(csv_parts(path))
    time.sleep(seconds)  # the outage itself: parts are captured meanwhile
    during = len(csv_parts(path)) - before
    broker.start()
    check(during >= seconds, f"{during} parts captured while the broker was away for {seconds} s")
    # The recorder tries again within its longest back-off (8 s).
    wait_for(lambda: len(csv_parts(path)) >= before + during + 4 and
             {p["part"] for p in sub.parts()} >= set(csv_parts(path)) - {max(csv_parts(path))}, 30)
    proc.send_signal(signal.SIGINT)
    proc.wait(timeout=30)
    log.close()
    parts = csv_parts(path)
    wait_for(lambda: {p["part"] for p in sub.parts()} >= set(parts), 20)
    err = open(os.path.join(rec.work, "outage.err")).read()
    check(in_order_without_loss(sub.parts(), list(parts)),
          f"after the outage every one of {len(parts)} parts arrived, in order ({len(sub.parts())} messages)",
          ([p["part"] for p in sub.parts()], list(parts)))
    check("the broker:" in err and "parts are kept in" in err and err.count("publishing to") >= 2,
          "the broker's going and coming back are told", err[-1500:])
    check(not sub.invalid(), "the payloads after the outage are valid too", sub.invalid()[:3])
    sub.close()


def slow_subscriber(rec, broker):
    # A consumer that takes a quarter second per message falls behind; the
    # broker queues for it, and neither the recorder nor a quick consumer
    # notices.
    fast = Subscriber(broker, "t7", name="fast-subscriber")
    slow = Subscriber(broker, "t7", name="slow-subscriber")
    slow.client.on_message = lambda c, u, m: (time.sleep(0.25), slow._received(c, u, m))
    out = rec.run("--channels", "1-2", "--every", "0.5", "--duration", "4", "-o", rec.path("p7.csv"),
                  "--part-id", "counter", *publish_args(rec, broker, "t7", "q7.queue"))
    parts = list(csv_parts(os.path.join(rec.work, "p7.csv")))
    wait_for(lambda: len(fast.parts()) >= len(parts), 10)
    lagging = len(slow.parts()) < len(parts)
    check(out.returncode == 0 and [p["part"] for p in fast.parts()] == parts and "0 parts queued" in out.stderr,
          f"a slow subscriber holds nothing up: all {len(parts)} parts to the quick one, none left queued "
          f"(the slow one {'behind' if lagging else 'kept up'})", out.stderr)
    check(wait_for(lambda: [p["part"] for p in slow.parts()] == parts, 60),
          "the slow subscriber gets every part too, in order", [p["part"] for p in slow.parts()])
    fast.close()
    slow.close()


def killed_with_queue(rec, broker):
    broker.stop()
    proc = subprocess.Popen(rec.command("--channels", "1-2", "--every", "0.3", "--duration", "60", "-o",
                                        rec.path("p3.csv"), "--part-id", "counter", "-q",
                                        *publish_args(rec, broker, "t3", "q3.queue")),
                            env=rec.env, cwd=rec.work, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    path = os.path.join(rec.work, "p3.csv")
    check(wait_for(lambda: len(csv_parts(path)) >= 6, 20), "parts captured with no broker")
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    first = list(csv_parts(path))
    broker.start()
    sub = Subscriber(broker, "t3", name="queue-subscriber")
    out = rec.run("--channels", "1-2", "--every", "0.5", "--duration", "2", "-o", rec.path("p3b.csv"),
                  "--part-id", "counter:1000", *publish_args(rec, broker, "t3", "q3.queue"))
    second = list(csv_parts(os.path.join(rec.work, "p3b.csv")))
    check(out.returncode == 0 and "parts of an earlier run wait for the broker" in out.stderr,
          "the next start finds the killed run's parts in the queue", out.stderr)
    wait_for(lambda: {p["part_id"] for p in sub.parts()} >= {str(n) for n in first} | {str(999 + n) for n in second})
    ids = [int(p["part_id"]) for p in sub.parts()]
    check(ids[:len(first)] == first and [i for i in ids if i >= 1000] == [999 + n for n in second],
          f"the killed run's {len(first)} parts first, in order, then the new run's {len(second)}", ids)
    sub.close()


def will(rec, broker):
    sub = Subscriber(broker, "t4", name="will-subscriber")
    proc = subprocess.Popen(rec.command("--channels", "1", "--duration", "60", "-o", rec.path("p4.csv"), "-q",
                                        *publish_args(rec, broker, "t4", "q4.queue")),
                            env=rec.env, cwd=rec.work, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    check(wait_for(lambda: any(p.get("online") for p, _ in sub.on("status")), 20), "the recorder says it is online")
    proc.send_signal(signal.SIGKILL)
    proc.wait()
    check(wait_for(lambda: sub.on("status")[-1][0] == {"online": False}, 10),
          "killed: the broker publishes the will, {\"online\": false}", sub.on("status"))
    sub.close()
    late = Subscriber(broker, "t4", name="will-late", persistent=False)
    check(wait_for(lambda: late.on("status") and late.on("status")[-1] == ({"online": False}, True), 5),
          "and keeps it as the station's status")
    late.close()


def refused(rec, broker):
    port = free_port()
    out = rec.run("--channels", "1", "--every", "0.5", "--duration", "2", "-o", rec.path("p5.csv"),
                  "--publish", f"mqtt://127.0.0.1:{port}/t5", "--publish-queue-file", rec.path("q5.queue"),
                  "--publish-queue", "3")
    parts = len(csv_parts(os.path.join(rec.work, "p5.csv")))
    check(out.returncode == 0 and "Connection refused" in out.stderr and "3 parts queued" in out.stderr
          and "queue of unsent parts is FULL (3 parts)" in out.stderr and parts >= 4,
          f"a refused port: the run goes on ({parts} parts), the full queue keeps the newest 3 and says so",
          out.stderr)
    cases = [
        ("http://127.0.0.1/x", "only plain mqtt://"),
        ("mqtt://bad host/x", "is not a name or an address"),
        ("mqtt://127.0.0.1:70000/x", "the port must be 1 to 65535"),
        ("mqtt:///x", "no host"),
    ]
    for url, message in cases:
        out = rec.run("--publish", url, "-o", rec.path("never.csv"))
        check(out.returncode == 2 and message in out.stderr, f"--publish {url}: status 2, {message!r}", out.stderr)
    check(not os.path.exists(os.path.join(rec.work, "never.csv")), "no recording for a bad URL")


def credentials(rec):
    broker = Broker(os.path.join(rec.work, "broker-users"), users={"qa": "s3cret", "reader": "r"}).start()
    try:
        sub = Subscriber(broker, "t6", name="credentials-subscriber", user=("reader", "r"))
        env = dict(rec.env, VEXLA_PUBLISH_PASSWORD="wrong")
        common = ["--channels", "1", "--every", "0.5", "--duration", "2", "--part-id", "counter",
                  "--publish", broker.url("t6", user="qa"), "--publish-station", "st-1",
                  "--publish-queue-file", rec.path("q6.queue")]
        out = subprocess.run(rec.command(*common, "-o", rec.path("p6.csv")), env=env, cwd=rec.work,
                             capture_output=True, text=True, timeout=60)
        first = list(csv_parts(os.path.join(rec.work, "p6.csv")))
        check(out.returncode == 0 and "refused the user name or password" in out.stderr and first
              and f"{len(first)} parts queued" in out.stderr,
              f"a wrong password: told, the recording goes on, {len(first)} parts queued", out.stderr)
        with open(os.path.join(rec.work, "password.txt"), "w") as f:
            f.write("s3cret\n")
        out = rec.run(*common, "-o", rec.path("p6b.csv"), "--publish-password-file", rec.path("password.txt"))
        second = list(csv_parts(os.path.join(rec.work, "p6b.csv")))
        wait_for(lambda: len(sub.parts()) >= len(first) + len(second), 10)
        check(out.returncode == 0 and [int(p["part_id"]) for p in sub.parts()][:len(first) + len(second)]
              == first + second, "the password from a file: both runs' parts arrive, in order",
              ([p["part_id"] for p in sub.parts()], first, second, out.stderr))
        sub.close()
    finally:
        broker.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--wine")
    parser.add_argument("--gaugesim")
    parser.add_argument("--outage", type=int, default=10)
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    com = args.com = 86 if args.wine else 85
    work = tempfile.mkdtemp(prefix="publish-test-")
    config = os.path.join(work, ".config")
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8", WINEDEBUG="-all")
    env.pop(("VEXLA_PUBLISH_PASSWORD"), None)
    folder = (os.path.join(env["WINEPREFIX"], "drive_c", "系统配置") if args.wine
              else os.path.join(config, "系统配置"))
    os.makedirs(folder, exist_ok=True)
    write_driver_settings(folder, com)
    with open(os.path.join(work, "limits.csv"), "w") as f:
        f.write("1, 0.50, -0.10, 0.10, ramp\n2, 0, -0.5, 0.5, still\n")
    sim_log = os.path.join(work, "gaugesim.log")
    rec = Recorder(args, work, env, args.wine)
    sim = subprocess.Popen(
        [args.gaugesim or os.path.join(args.bin, "gaugesim"), "--format", "3", "--baud", "115200", "--com", str(com),
         "--channels", "1-4", "--motion", "still", "--motion", "1=ramp", "--position", "1=0.20", "--speed", "0.05",
         "--position", "2=-0.25"],
        env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)
    broker = Broker(os.path.join(work, "broker"))
    try:
        wait_for(lambda: "link:" in open(sim_log).read(), 10)
        broker.start()
        delivered(rec, broker)
        outage(rec, broker, args.outage)
        will(rec, broker)
        if not args.wine:
            slow_subscriber(rec, broker)
            killed_with_queue(rec, broker)
            refused(rec, broker)
            credentials(rec)
    except Exception as e:  # a broken step fails the test with its reason
        failures.append(repr(e))
        print("FAILED:", repr(e))
    finally:
        stop_all(broker, sim)
    return finish("publish test", work, sim_log, 2000)


if __name__ == "__main__":
    sys.exit(main())
