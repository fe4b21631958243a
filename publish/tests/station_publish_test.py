#!/usr/bin/env python3
"""vexla-station publishing through its session: the station file's publish
key, parts taken with no broker kept in the queue beside the station file
(the station says how many), delivered in order with the next run's parts
once the broker is there, with its gauges and status, every payload valid
against its schema.

Usage: station_publish_test.py BIN_DIR
"""

import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "tools", "testing"))
from checklist import check, failures, finish  # noqa: E402
from mqtt_broker import Broker, Subscriber, stop_all, wait_for  # noqa: E402
from terminal_pane import write_driver_settings  # noqa: E402

COM = SEGMENT = 87


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="station-publish-test-")
    config = os.path.join(work, ".config")
    write_driver_settings(config, SEGMENT, COM)
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=config, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    broker = Broker(os.path.join(work, "broker"))
    station = os.path.join(config, "系统配置", "VexlaStation.ini")
    with open(os.path.join(work, "limits.csv"), "w") as f:
        f.write("1, 0.10, -0.05, 0.05, bore\n2, 0, -0.1, 0.1, flange\n")
    with open(station, "w") as f:
        f.write(f"[station]\nsegment = {SEGMENT}\nchannels = 1-2\nlimits = {work}/limits.csv\n"
                f"records = {work}/records\nlanguage = en\nbatch = B-9\noperator = 王芳\n"
                f"publish = {broker.url('plant/line-2')}\npublish_station = fixture-7\n")
    sim_log = os.path.join(work, "gaugesim.log")
    sim = subprocess.Popen(
        [f"{bin_dir}/gaugesim", "--format", "3", "--baud", "115200", "--com", str(COM), "--channels", "1-2",
         "--motion", "still", "--position", "1=0.12", "--position", "2=0.30"],
        env=env, stdout=open(sim_log, "w"), stderr=subprocess.STDOUT)

    def station_run(typed):
        return subprocess.run([f"{bin_dir}/vexla-station", "--station", station], env=env, input=typed,
                              capture_output=True, text=True, timeout=60)
    try:
        wait_for(lambda: "link:" in open(sim_log).read(), 10)
        out = station_run("S-1\nS-2\n")
        queue = os.path.join(config, "系统配置", "VexlaStation-publish.queue")
        check(out.returncode == 0 and "Connection refused, 2 parts queued" in out.stderr and os.path.exists(queue),
              "no broker: both parts stay in the queue beside the station file, and the station says so",
              out.stderr)

        broker.start()
        sub = Subscriber(broker, "plant/line-2")
        out = station_run("S-3\n")
        wait_for(lambda: len(sub.parts()) >= 3, 15)
        parts = sub.parts()
        check(out.returncode == 0 and [p["part_id"] for p in parts] == ["S-1", "S-2", "S-3"]
              and "broker up, 0 parts queued" in out.stderr,
              "with the broker: the queued parts first, then the new one, and the queue is empty",
              ([p["part_id"] for p in parts], out.stderr))
        first = parts[0] if parts else {}
        check(first.get("station") == "fixture-7" and first.get("batch") == "B-9" and first.get("operator") == "王芳"
              and [(c["channel"], c["name"], c["displacement_mm"], c["judgement"])
                   for c in first.get("characteristics", [])] == [(1, "bore", 0.12, "OK"), (2, "flange", 0.3, "HIGH")]
              and first.get("verdict") == "NOK", "a part as the station judged it", first)
        statuses = [p for p, _ in sub.on("status")]
        check(statuses and statuses[0].get("program") == "vexla-station" and statuses[0].get("segment") == SEGMENT,
              "the status names vexla-station and its segment", statuses)
        gauges = sub.on("gauge/01")
        check(gauges and gauges[-1][0]["displacement_mm"] == 0.12 and gauges[-1][0]["name"] == "bore",
              "channel 1's reading with the station's name for it", gauges[-1:])
        check(not sub.invalid(), f"all {len(sub.messages)} payloads valid against their schemas", sub.invalid()[:3])
        sub.close()
    except Exception as e:  # a broken step fails the test with its reason
        failures.append(repr(e))
        print("FAILED:", repr(e))
    finally:
        stop_all(broker, sim)
    return finish("station publish test", work, sim_log, 2000)


if __name__ == "__main__":
    sys.exit(main())
