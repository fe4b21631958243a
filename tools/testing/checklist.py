"""What our end-to-end scripts share: checks that print as they go, and the
summary line that gives the script's exit status."""

passes = []
failures = []


def check(condition, what, detail=None):
    """Records and prints one check; on failure also what was seen."""
    (passes if condition else failures).append(what)
    print("ok:" if condition else "FAILED:", what)
    if not condition and detail is not None:
        print(detail)
    return condition


def summary(name):
    """Prints "NAME: N passed, M failed" and returns the exit status."""
    print(f"{name}: {len(passes)} passed, {len(failures)} failed")
    return 1 if failures else 0
