#!/usr/bin/python3
"""The plant bench: stations played by vexla_plant_bench against the real
Mosquitto on loopback, 32 gauges each moving every tick and a part each
second; a subscriber takes everything and times each part from its capture
(its ts) to arrival. Prints messages a second, the parts' latency (median
and 99th percentile), lost parts and the broker's own count of dropped
messages, and the publisher's CPU.

Usage: tools/plant-bench.py BIN_DIR [--stations N] [--seconds S]
"""

import argparse
import datetime
import os
import statistics
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "testing"))
from mqtt_broker import Broker  # noqa: E402
import paho.mqtt.client as mqtt  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--stations", type=int, default=20)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="plant-bench-")
    broker = Broker(os.path.join(work, "broker")).start()
    lock = threading.Lock()
    counts = {"gauge": 0, "part": 0, "status": 0}
    latencies, parts, dropped = [], set(), {}

    def received(client, userdata, message):
        now = datetime.datetime.now(datetime.timezone.utc)
        if message.topic.startswith("$SYS/"):
            dropped[message.topic] = message.payload.decode()
            return
        leaf = message.topic.split("/", 2)[2]
        kind = "gauge" if leaf.startswith("gauge/") else leaf
        with lock:
            counts[kind] = counts.get(kind, 0) + 1
            if kind == "part":
                import json
                p = json.loads(message.payload)
                latencies.append((now - datetime.datetime.fromisoformat(p["ts"])).total_seconds() * 1000)
                parts.add((p["station"], p["part"]))

    sub = mqtt.Client(client_id="bench-subscriber", clean_session=True)
    sub.on_connect = lambda c, u, f, rc: (c.subscribe("bench/#", qos=1),
                                          c.subscribe("$SYS/broker/publish/messages/dropped", qos=0),
                                          c.subscribe("$SYS/broker/store/messages/count", qos=0))
    sub.on_message = received
    sub.connect("127.0.0.1", broker.port)
    sub.loop_start()
    try:
        out = subprocess.run([os.path.join(args.bin, "vexla_plant_bench"), broker.url("bench"), str(args.stations),
                              str(args.seconds), "1", work], capture_output=True, text=True,
                             timeout=args.seconds + 120)
        import time
        time.sleep(2)  # the last messages on their way
    finally:
        sub.loop_stop()
        broker.stop()
    print(out.stdout.strip(), out.stderr.strip())
    expected = args.stations * int(args.seconds)
    lat = sorted(latencies)
    p99 = lat[min(len(lat) - 1, int(len(lat) * 0.99))] if lat else float("nan")
    print(f"received: {counts['gauge'] / args.seconds:.0f} gauge messages/s, {counts['part'] / args.seconds:.1f} "
          f"parts/s; {len(parts)} distinct parts of about {expected}")
    print(f"part latency from capture to subscriber: median {statistics.median(lat) if lat else float('nan'):.1f} ms, "
          f"99th percentile {p99:.1f} ms, max {lat[-1] if lat else float('nan'):.1f} ms")
    print("broker:", dropped)
    return 0


if __name__ == "__main__":
    sys.exit(main())
