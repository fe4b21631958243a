"""What our end-to-end scripts share: checks that print as they go, and the
summary line that gives the script's exit status."""

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
        time.sleep(0.05)
    return True


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
