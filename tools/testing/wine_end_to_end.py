#!/usr/bin/env python3
"""Runs the Windows end-to-end host under Wine against the real gaugesim.

The host steers us with lines on its stdout and reads our answers on its
stdin; everything else it prints is passed through:

  @sim start ARGS...  start gaugesim with ARGS (the host names --com N), wait
                      until it has made its pty and the COM link; answer "ok"
                      or "error TEXT"
  @sim log            answer every line gaugesim has printed so far, each as
                      "| LINE", then "ok"
  @sim kill           the device vanishes: kill gaugesim outright and remove
                      its COM link, so no reopen can find it; answer "ok"
  @sim users          answer the processes other than gaugesim and us that
                      hold gaugesim's pty open, each as "| PID NAME", then "ok"
                      (Wine does not refuse a second open of a COM port, so
                      this is how a test sees that the port was closed)

gaugesim still running when the host exits is stopped.
"""

import argparse
import os
import queue
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_peer import ensure_prefix, hold_as_controlling_tty  # noqa: E402

START_DEADLINE_S = 20


class Simulator:
    def __init__(self, program, args, dosdevices):
        self.lines = []
        self.lock = threading.Lock()
        self.links = []
        self.holder = None
        self.process = subprocess.Popen([program] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        if "--com" in args:
            port = args[args.index("--com") + 1]
            self.links.append(os.path.join(dosdevices, "com" + port))

    def _read(self):
        for raw in self.process.stdout:
            with self.lock:
                self.lines.append(raw.decode(errors="replace").rstrip("\n"))

    def log(self):
        with self.lock:
            return list(self.lines)

    def pty(self):
        return next((l[len("pty: "):] for l in self.log() if l.startswith("pty: ")), None)

    def users(self):
        target = self.pty()
        with open("/proc/self/cmdline", "rb") as f:
            ours = f.read()  # the holder is a fork of this script
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            if int(pid) == self.process.pid:
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if f.read() == ours:
                        continue
                fds = os.listdir("/proc/%s/fd" % pid)
                if any(os.readlink("/proc/%s/fd/%s" % (pid, fd)) == target for fd in fds):
                    with open("/proc/%s/comm" % pid) as f:
                        found.append(pid + " " + f.read().strip())
            except OSError:
                continue  # gone meanwhile, or not ours to look at
        return found

    def wait_ready(self):
        """The pty and every link exist; a holder of ours owns the pty as
        controlling terminal before Wine opens it (see wine_peer.py)."""
        deadline = time.monotonic() + START_DEADLINE_S
        while time.monotonic() < deadline:
            pty = self.pty()
            if pty and all(os.path.lexists(link) for link in self.links):
                self.holder = hold_as_controlling_tty(pty)
                return None
            if self.process.poll() is not None:
                return "gaugesim exited with %d: %s" % (self.process.returncode, " / ".join(self.log()))
            time.sleep(0.02)
        return "gaugesim made no pty and link within %d s" % START_DEADLINE_S

    def stop(self, sig):
        if self.process.poll() is None:
            self.process.send_signal(sig)
        self.process.wait()
        self.reader.join(5)
        for link in self.links:
            if os.path.lexists(link):
                os.unlink(link)
        if self.holder is not None:
            os.close(self.holder)
            self.holder = None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--gaugesim", required=True)
    parser.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    program = [a for a in args.program if a != "--"]

    if not os.access(args.gaugesim, os.X_OK):
        sys.exit("wine_end_to_end: no gaugesim at %s; build the native preset first "
                 "(make test-native) or set VEXLA_GAUGESIM" % args.gaugesim)
    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        sys.exit("wine_end_to_end: WINEPREFIX is not set")
    ensure_prefix(args.wine, prefix)
    dosdevices = os.path.join(prefix, "dosdevices")
    os.makedirs(dosdevices, exist_ok=True)

    # Wine's own errors come through our pipe too: a wineserver or device
    # process started by the host inherits them, and ctest would wait for it.
    host = subprocess.Popen([args.wine] + program, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    simulators = []

    def reply(text):
        host.stdin.write(text.encode() + b"\n")
        host.stdin.flush()

    def command(words):
        if words[0] == "start":
            sim = Simulator(args.gaugesim, words[1:], dosdevices)
            simulators.append(sim)
            error = sim.wait_ready()
            reply("error " + error if error else "ok")
        elif words[0] == "log":
            lines = simulators[-1].log() if simulators else []
            for line in lines:
                reply("| " + line)
            reply("ok")
        elif words[0] == "users":
            for user in simulators[-1].users() if simulators else []:
                reply("| " + user)
            reply("ok")
        elif words[0] == "kill":
            if simulators:
                simulators[-1].stop(signal.SIGKILL)
            reply("ok")
        else:
            reply("error unknown command " + " ".join(words))

    # A wineserver started by the host holds the pipe and may outlive it by
    # seconds, so the end of the host, not of the pipe, ends the run.
    lines = queue.Queue()
    threading.Thread(target=lambda: [lines.put(raw) for raw in host.stdout], daemon=True).start()
    ran = 0
    try:
        quiet_since = None
        while True:
            try:
                raw = lines.get(timeout=0.1)
            except queue.Empty:
                if host.poll() is None:
                    continue
                quiet_since = quiet_since or time.monotonic()
                if time.monotonic() - quiet_since > 0.5:
                    break
                continue
            quiet_since = None
            text = raw.rstrip(b"\r\n")
            if text.startswith(b"@sim "):
                command(text.decode().split()[1:])
            else:
                if text.startswith(b"[ RUN      ]"):
                    ran += 1
                sys.stdout.buffer.write(text + b"\n")
                sys.stdout.flush()
        code = host.wait()
        # A filter that matches nothing would pass without testing anything.
        if code == 0 and ran == 0:
            print("wine_end_to_end: no test ran")
            code = 1
    finally:
        if host.poll() is None:
            host.kill()
            host.wait()
        for sim in simulators:
            sim.stop(signal.SIGTERM)
    sys.exit(code)


if __name__ == "__main__":
    main()
