"""What the terminal programs' tests share: the program in a tmux pane of
its own server (read with capture-pane, typed at with send-keys), waits for
what it shows and writes, and the driver's settings in a test home."""

import os
import subprocess
import time
import unicodedata

from checklist import failures


def cells(text):
    """Terminal cells of a text: CJK characters take two."""
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


class Pane:
    def __init__(self, work, env, name):
        self.sock = os.path.join(work, "tmux.sock")
        self.env = env
        self.name = name

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.sock, "-f", "/dev/null", *args], env=self.env,
                              capture_output=True, text=True, check=True).stdout

    def screen(self, escapes=False):
        return self.tmux("capture-pane", "-p", *(["-e"] if escapes else []), "-t", self.name)

    def wait_for(self, predicate, seconds=10):
        deadline = time.monotonic() + seconds
        while True:
            text = self.screen()
            if predicate(text) or time.monotonic() > deadline:
                return predicate(text), text
            time.sleep(0.1)

    def keys(self, *keys):
        self.tmux("send-keys", "-t", self.name, *keys)

    def typed(self, text):
        self.tmux("send-keys", "-t", self.name, "-l", text)

    def click(self, y, x):
        # The X10 mouse report that the pane's terminal description names.
        self.tmux("send-keys", "-t", self.name, "-l", "\x1b[M" + chr(32) + chr(33 + x) + chr(33 + y))

    def kill_server(self):
        subprocess.run(["tmux", "-S", self.sock, "kill-server"], env=self.env, capture_output=True)


def wait_for_file(path, seconds=10):
    deadline = time.monotonic() + seconds
    while not os.path.exists(path) and time.monotonic() < deadline:
        time.sleep(0.05)
    time.sleep(0.1)
    return open(path).read() if os.path.exists(path) else None


def line_with(screen, part):
    return next((line for line in screen.splitlines() if part in line), "")


def log_has(path, text, seconds=5):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if text in open(path, errors="replace").read():
            return True
        time.sleep(0.05)
    return False


def run_steps(pane, sim, *steps):
    """Runs the test's steps; a step that breaks fails the test with what was
    on screen. The pane's server and the simulator are stopped in any case."""
    try:
        for step in steps:
            step()
    except Exception as e:
        failures.append(repr(e))
        print("FAILED:", repr(e))
        try:
            print(pane.screen())
        except Exception:
            pass
    finally:
        pane.kill_server()
        sim.terminate()
        sim.wait(timeout=10)


def write_driver_settings(config, segment, com):
    """The driver's settings file of a segment in the test home (GBK, CR LF):
    format 3 at 115200 baud on COM `com`, its small window hidden."""
    folder = os.path.join(config, "系统配置")
    os.makedirs(folder, exist_ok=True)
    settings = (f"[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号={com}\r\n波特率=115200\r\n"
                "[用户参数]\r\n显示DLL小窗口=0\r\n")
    with open(os.path.join(folder, f"Vexla配置{segment:03d}.txt"), "wb") as f:
        f.write(settings.encode("gbk"))
