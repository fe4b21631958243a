"""The real Mosquitto on a free loopback port for the publishing tests, and a
subscriber that keeps every message it gets and checks each payload against
the schema of its topic (docs/schemas)."""

import json
import os
import pwd
import shutil
import socket
import subprocess
import threading
import time

import jsonschema
import paho.mqtt.client as mqtt

from checklist import failures, wait_for

SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "schemas")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Broker:
    """Mosquitto with its own folder: persistence there, so that a restart
    keeps the retained messages and the persistent subscriber's session;
    `users` ({name: password}) turns anonymous access off."""

    def __init__(self, folder, users=None):
        self.folder, self.port, self.proc = folder, free_port(), None
        os.makedirs(folder, exist_ok=True)
        lines = [f"listener {self.port} 127.0.0.1", "persistence true", f"persistence_location {folder}/",
                 "max_queued_messages 0", f"log_dest file {folder}/mosquitto.log", "log_type all",
                 # Started by root it would become "mosquitto", who cannot
                 # read the test's folder: it stays whoever starts it.
                 f"user {pwd.getpwuid(os.geteuid()).pw_name}"]
        if users:
            passwords = os.path.join(folder, "passwords")
            for name, password in users.items():
                subprocess.run(["mosquitto_passwd", "-b", *([] if os.path.exists(passwords) else ["-c"]), passwords,
                                name, password], check=True, capture_output=True)
            os.chmod(passwords, 0o600)
            lines += ["allow_anonymous false", f"password_file {passwords}"]
        else:
            lines.append("allow_anonymous true")
        self.config = os.path.join(folder, "mosquitto.conf")
        with open(self.config, "w") as f:
            f.write("\n".join(lines) + "\n")

    def start(self):
        self.proc = subprocess.Popen([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", self.config], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

        def listening():
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return True
            except OSError:
                return False
        if not wait_for(listening, 10):
            raise RuntimeError(f"mosquitto did not listen on {self.port}")
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()  # it saves its database on the way out
            self.proc.wait(timeout=10)
        self.proc = None

    def log(self):
        path = os.path.join(self.folder, "mosquitto.log")
        return open(path, errors="replace").read() if os.path.exists(path) else ""

    def url(self, root, user=None):
        return f"mqtt://{user + '@' if user else ''}127.0.0.1:{self.port}/{root}"


class Subscriber:
    """Subscribed to ROOT/# at QoS 1 in a persistent session: what the
    broker keeps for it while it is away arrives when it is back."""

    def __init__(self, broker, root, name="test-subscriber", persistent=True, user=None):
        self.root, self.messages, self.lock = root, [], threading.Lock()
        self.schemas = {n: json.load(open(os.path.join(SCHEMAS, f"{n}.schema.json"))) for n in ("status", "gauge", "part")}
        self.client = mqtt.Client(client_id=name, clean_session=not persistent)
        self.client.on_connect = lambda c, u, f, rc: c.subscribe(root + "/#", qos=1)
        self.client.on_message = self._received
        self.client.reconnect_delay_set(min_delay=1, max_delay=1)
        if user:
            self.client.username_pw_set(*user)
        self.client.connect("127.0.0.1", broker.port, keepalive=30)
        self.client.loop_start()
        wait_for(lambda: self.client.is_connected(), 5)

    def _received(self, client, userdata, message):
        with self.lock:
            self.messages.append((message.topic, message.payload.decode("utf-8", "replace"), message.retain,
                                  time.monotonic()))

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()

    def on(self, leaf):
        """(payload as JSON, retained) of every message on ROOT/STATION/leaf, in order."""
        with self.lock:
            return [(json.loads(p), r) for t, p, r, _ in self.messages if t.split("/", len(self.root.split("/")) + 1)[-1] == leaf]

    def parts(self):
        return [p for p, _ in self.on("part")]

    def invalid(self):
        """Every message that fails its topic's schema, with the reason."""
        wrong = []
        with self.lock:
            messages = list(self.messages)
        for topic, payload, _, _ in messages:
            leaf = topic[len(self.root) + 1:].split("/", 1)[-1]
            kind = "gauge" if leaf.startswith("gauge/") else leaf
            if kind not in self.schemas:
                wrong.append((topic, "no such topic in the contract"))
                continue
            try:
                jsonschema.validate(json.loads(payload), self.schemas[kind])
            except (ValueError, jsonschema.ValidationError) as e:
                wrong.append((topic, payload, str(e)[:300]))
        return wrong


def stop_all(broker, sim):
    """The end of a run: broker and simulator stopped, and on failure the
    end of the broker's log to read."""
    broker.stop()
    sim.terminate()
    sim.wait(timeout=10)
    if failures:
        print("mosquitto's log (end):\n" + broker.log()[-3000:])
