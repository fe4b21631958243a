#!/usr/bin/env python3
"""Far end of a serial line for the Windows TComm tests under Wine.

Makes a pty, points $WINEPREFIX/dosdevices/<port> at its slave, runs the test
program under Wine and plays the other end of the line: every byte the
program writes is echoed back. The program steers us with lines on its
stdout ("@peer <command>") and reads our "ok" from its stdin:

  @peer send         write the 256 byte values 0..255 once
  @peer blast N      write N bytes (values i % 251) as fast as the line takes them
  @peer hangup       close the pty master (the device vanishes), then make a
                     fresh pty behind the same name for later tests
  @peer quiet        stop echoing (and discard what arrives)
  @peer echo         echo again
"""

import argparse
import os
import select
import signal
import subprocess
import sys
import tty

PORT_LINK = "com9"
PORT_NAME = "COM9"
MISSING_NAME = r"\\.\COM199"


class Line:
    def __init__(self, link):
        self.link = link
        self.master = self.slave = -1
        self.open()

    def open(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)  # no echo or line editing before Wine sets it up
        self.holder = hold_as_controlling_tty(os.ttyname(self.slave))
        os.set_blocking(self.master, False)
        tmp = self.link + ".new"
        if os.path.lexists(tmp):
            os.unlink(tmp)
        os.symlink(os.ttyname(self.slave), tmp)
        os.replace(tmp, self.link)

    def hang_up(self):
        os.close(self.master)
        os.close(self.slave)
        os.close(self.holder)
        self.open()


def hold_as_controlling_tty(path):
    """A session leader that opens a tty without O_NOCTTY takes it as its
    controlling terminal, and then gets SIGHUP when the master closes: the
    wineserver does exactly that and answers SIGHUP by dumping its objects.
    A small process of our own holds the tty first. Returns a descriptor
    whose closing lets it go."""
    release_r, release_w = os.pipe()
    ready_r, ready_w = os.pipe()
    if os.fork() == 0:
        try:
            os.close(release_w)
            os.close(ready_r)
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
            os.setsid()
            os.close(os.open(path, os.O_RDWR))  # the first open makes it ours
            os.write(ready_w, b"x")
            os.read(release_r, 1)
        finally:
            os._exit(0)
    os.close(release_r)
    os.close(ready_w)
    os.read(ready_r, 1)
    os.close(ready_r)
    return release_w


def ensure_prefix(wine, prefix):
    if os.path.exists(os.path.join(prefix, "system.reg")):
        return
    env = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    subprocess.run([wine, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=False)
    server = os.path.join(os.path.dirname(wine), "wineserver")
    if os.path.exists(server):
        subprocess.run([server, "-w"], env=env, check=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("program", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    program = [a for a in args.program if a != "--"]

    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        sys.exit("wine_peer: WINEPREFIX is not set")
    ensure_prefix(args.wine, prefix)
    dosdevices = os.path.join(prefix, "dosdevices")
    os.makedirs(dosdevices, exist_ok=True)
    line = Line(os.path.join(dosdevices, PORT_LINK))

    env = dict(os.environ, VEXLA_PEER_PORT=PORT_NAME, VEXLA_PEER_MISSING=MISSING_NAME)
    child = subprocess.Popen([args.wine] + program, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    out = child.stdout.fileno()
    os.set_blocking(out, False)
    pending_out = b""   # program output not yet a full line
    to_line = b""       # bytes waiting for room in the pty
    echo = True

    def reply(text):
        child.stdin.write(text.encode() + b"\n")
        child.stdin.flush()

    def command(words):
        nonlocal to_line, echo
        if words[0] == "send":
            to_line += bytes(range(256))
        elif words[0] == "blast":
            count = int(words[1])
            pattern = bytes(i % 251 for i in range(251 * 64))
            data = (pattern * (count // len(pattern) + 1))[:count]
            os.set_blocking(line.master, True)
            view = memoryview(data)
            while view:
                view = view[os.write(line.master, view):]
            os.set_blocking(line.master, False)
        elif words[0] == "hangup":
            to_line = b""
            line.hang_up()
        elif words[0] == "quiet":
            echo = False
        elif words[0] == "echo":
            echo = True
        reply("ok")

    while True:
        readers = [out, line.master]
        writers = [line.master] if to_line else []
        ready_r, ready_w, _ = select.select(readers, writers, [], 1.0)
        if line.master in ready_r:
            try:
                data = os.read(line.master, 65536)
            except (BlockingIOError, OSError):
                data = b""
            if echo and data:
                to_line += data
        if line.master in ready_w and to_line:
            try:
                to_line = to_line[os.write(line.master, to_line):]
            except BlockingIOError:
                pass
        if out in ready_r:
            chunk = os.read(out, 65536)
            if not chunk:
                break
            pending_out += chunk
            while b"\n" in pending_out:
                text, pending_out = pending_out.split(b"\n", 1)
                if text.startswith(b"@peer "):
                    command(text.decode().split()[1:])
                else:
                    sys.stdout.buffer.write(text + b"\n")
                    sys.stdout.flush()
    sys.stdout.buffer.write(pending_out)
    sys.stdout.flush()
    code = child.wait()
    os.close(line.holder)
    os.unlink(line.link)
    sys.exit(code)


if __name__ == "__main__":
    main()
