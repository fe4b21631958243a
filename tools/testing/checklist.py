"""What our end-to-end scripts share: checks that print as they go, and the
summary line that gives the script's exit status."""

import os
import shutil
import time

passes = []
failures = []


def check(condition, what, detail=None):
    """Records and prints one check; on failure also what was seen."""
    (passes if condition else failures).append(what)
    print("ok:" if condition else "FAILED:", what)
    if not condition and detail is not None:
        print(detail)
    return condition


def wait_for(condition, timeout=20):
    """Polls until condition() holds; False when it never did within timeout."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


def write_driver_settings(folder, port, *user_lines):
    """The driver's settings file of segment `port` (GBK, CR LF): format 3
    at 115200 baud on COM `port`, no control window, and the given lines of
    [用户参数] ("数据过滤深度=1")."""
    user = "".join(line + "\r\n" for line in ("显示DLL小窗口=0", *user_lines))
    with open(os.path.join(folder, f"Vexla配置{port:03d}.txt"), "wb") as f:
        f.write((f"[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号={port}\r\n波特率=115200\r\n"
                 f"[用户参数]\r\n{user}").encode("gbk"))


def finish(name, work, log, tail=3000):
    """The end of a run against gaugesim: on failure the end of the
    simulator's log, else the work folder removed; then the summary."""
    if failures:
        with open(log, errors="replace") as f:
            print("gaugesim's log:\n" + f.read()[-tail:])
    else:
        shutil.rmtree(work, ignore_errors=True)
    return summary(name)


def summary(name):
    """Prints "NAME: N passed, M failed" and returns the exit status."""
    print(f"{name}: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0
