#!/usr/bin/env python3
"""The Python package against the real library and gaugesim: record layouts
and declarations against C, Long2String's text, argument checks, and a
session on COM 42 in a configuration folder of this run's own.

Usage: test_vexla.py BIN_DIR SOURCE_DIR PROJECT_VERSION
"""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

BIN, SOURCE, PROJECT_VERSION = (sys.argv.pop(1) for _ in range(3)) if __name__ == "__main__" else ("", "", "")
BIN, SOURCE = os.path.abspath(BIN), os.path.abspath(SOURCE)
HERE = os.path.dirname(os.path.abspath(__file__))
COM = 42


def settings_file(port):
    return (f"[硬件类型]\r\n数据格式=3\r\n[通讯设置]\r\n串口编号={port}\r\n波特率=19200\r\n"
            "[用户参数]\r\n显示DLL小窗口=0\r\n").encode("gbk")


def make_home():
    """This run's own home. The driver takes its configuration folder at its
    first call, so this comes before anything loads the library."""
    work = tempfile.mkdtemp(prefix="vexla-python-")
    folder = os.path.join(work, ".config", "系统配置")
    os.makedirs(folder)
    # Segment 7 is gaugesim's; the others name ports nobody serves, so that a
    # segment that did not take finds no gauges (and never COM1, a real port).
    for segment, port in [(0, 142), (7, COM), (8, 143)]:
        with open(os.path.join(folder, f"Vexla配置{segment:03}.txt"), "wb") as f:
            f.write(settings_file(port))
    os.environ.update(HOME=work, XDG_CONFIG_HOME=os.path.join(work, ".config"))
    return work


WORK = make_home()
# The package is imported from the source tree, which stays as it is.
sys.dont_write_bytecode = True
os.environ["PYTHONDONTWRITEBYTECODE"] = "1"
sys.path.insert(0, os.path.dirname(HERE))
os.environ["VEXLA_LIBRARY"] = os.path.join(BIN, "libVexla.so")
import vexla  # noqa: E402


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


def c_layout():
    """{"VexlaRecord32": 324, "VexlaRecord32.value": 4, ...} from vexla_header_layout."""
    out = subprocess.run([os.path.join(BIN, "vexla_header_layout")], capture_output=True, text=True, check=True)
    layout = {}
    for line in out.stdout.splitlines():
        m = re.fullmatch(r"(\w+)(?:\.(\w+))? (?:size )?(\d+)", line)
        layout[m[1] if m[2] is None else f"{m[1]}.{m[2]}"] = int(m[3])
    return layout


C_TYPES = {"int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32, "uint8_t": ctypes.c_uint8}


def header_prototypes():
    """{name: (result, [(type, is_pointer)])} of the exports in vexla.h."""
    with open(os.path.join(SOURCE, "include", "vexla.h")) as header:
        text = re.sub(r"/\*.*?\*/", " ", header.read(), flags=re.S)
    prototypes = {}
    for result, name, args in re.findall(r"VEXLA_API\s+(\w+)\s+VEXLA_CALL\s+(\w+)\s*\(([^)]*)\)", text):
        arguments = [] if args.strip() == "void" else \
            [(a.split()[0], "*" in a) for a in (" ".join(arg.split()) for arg in args.split(","))]
        prototypes[name] = (result, arguments)
    return prototypes


class DeclarationsTest(unittest.TestCase):
    def test_records_are_laid_out_as_c_lays_them(self):
        layout = c_layout()
        self.assertEqual({k for k in layout if "." not in k},
                         {"VexlaDataBlock32", "VexlaDataBlock16", "VexlaRecord8", "VexlaRecord32"})
        for key, expected in layout.items():
            record, _, field = key.partition(".")
            declared = getattr(vexla, record)
            actual = getattr(declared, field).offset if field else ctypes.sizeof(declared)
            self.assertEqual(actual, expected, key)

    def test_every_export_is_declared_as_the_header_declares_it(self):
        prototypes = header_prototypes()
        self.assertEqual(len(prototypes), 21)
        lib = vexla.library()
        for name, (result, arguments) in prototypes.items():
            with self.subTest(name):
                function = getattr(lib, name)  # the real library exports it
                if result == "void":
                    self.assertIsNone(function.restype)
                else:
                    self.assertEqual(ctypes.sizeof(function.restype), ctypes.sizeof(C_TYPES[result]))
                    self.assertEqual(function.restype(-1).value < 0, result.startswith("int"), "signedness")
                self.assertEqual(len(function.argtypes), len(arguments))
                for declared, (ctype, pointer) in zip(function.argtypes, arguments):
                    if pointer:
                        self.assertFalse(declared in C_TYPES.values(), f"{name}: a pointer passed as a number")
                    else:
                        self.assertEqual(ctypes.sizeof(declared), ctypes.sizeof(C_TYPES[ctype]))

    def test_package_version_is_the_projects(self):
        self.assertEqual(vexla.__version__, PROJECT_VERSION)


class FormatValueTest(unittest.TestCase):
    def test_text(self):
        cases = [  # value, decimals, width, text
            (2500, 3, 8, "   2.500"),
            (-2500, 3, 8, "  -2.500"),
            (5, 3, 6, " 0.005"),
            (-5, 4, 7, "-0.0005"),
            (0, 0, 3, "  0"),
            (2500, 3, 5, "2.500"),  # exactly fits
            (2500, 3, 4, "****"),  # one too wide: stars, no terminator
            (-2500, 3, 5, "*****"),
            (7, 0, 1, "7"),
            (10, 0, 1, "*"),
            (-2**31, 0, 11, "-2147483648"),
            (-2**31, 0, 10, "*" * 10),
            (2**31 - 1, 9, 12, " 2.147483647"),
            (1, 0, 254, " " * 253 + "1"),
        ]
        for value, decimals, width, text in cases:
            with self.subTest(value=value, decimals=decimals, width=width):
                self.assertEqual(vexla.format_value(value, decimals, width), text)

    def test_the_driver_fills_the_whole_buffer_with_stars_and_no_more(self):
        buffer = ctypes.create_string_buffer(b"#" * 15, 16)
        vexla.library().Long2String(1234567, 0, buffer, 6)
        self.assertEqual(buffer.raw, b"******" + b"#" * 9 + b"\0")

    def test_arguments_the_driver_would_misread_are_refused(self):
        cases = [  # value, decimals, width
            (1, 0, 0),
            (1, 0, 255),  # the length byte would wrap to 0
            (1, 0, 300),
            (1, -1, 8),
            (1, 256, 8),
            (2**31, 0, 12),
            (-2**31 - 1, 0, 12),
        ]
        for value, decimals, width in cases:
            with self.subTest(value=value, decimals=decimals, width=width):
                self.assertRaises(ValueError, vexla.format_value, value, decimals, width)

    def test_raw_exports_refuse_buffers_they_would_overrun_or_corrupt(self):
        lib = vexla.library()
        with self.assertRaises(ctypes.ArgumentError):
            lib.Long2String(1, 0, b"immutable", 9)
        with self.assertRaises(ctypes.ArgumentError):
            lib.GetReFlashRate32(vexla.Rates8())
        with self.assertRaises(ctypes.ArgumentError):
            lib.GetNewData32Ch(vexla.VexlaDataBlock16())


class DriverArgumentsTest(unittest.TestCase):
    def test_out_of_range_arguments_are_refused(self):
        with vexla.Driver() as driver:
            cases = [
                (driver.zero_displacement, 32),
                (driver.zero_displacement, -1),
                (driver.zero_displacement, 256),  # would zero channel 0
                (driver.zero_gauge, 32),
                (driver.command, 5),
                (driver.set_filter, 258),  # would set depth 2
                (driver.connect, 0),
                (driver.connect, 40000),  # a negative 16-bit number to the driver
                (lambda kind: driver.set_kind(0, kind), 0.1),
            ]
            for call, argument in cases:
                with self.subTest(call=getattr(call, "__name__", "set_kind"), argument=argument):
                    self.assertRaises(ValueError, call, argument)
        for arguments in [dict(segment=256), dict(kinds=[0.01] * 31), dict(kinds={32: 0.001})]:
            with self.subTest(**arguments):
                self.assertRaises(ValueError, vexla.Driver, **arguments)

    def test_one_session_one_thread(self):
        with vexla.Driver() as driver:
            self.assertRaises(RuntimeError, vexla.Driver)
            errors = []

            def other_thread():
                try:
                    driver.fetch()
                except RuntimeError as e:
                    errors.append(e)

            thread = threading.Thread(target=other_thread)
            thread.start()
            thread.join()
            self.assertEqual(len(errors), 1)
        self.assertRaises(RuntimeError, driver.fetch)
        vexla.Driver().close()  # the closed one made way


def fds_open_on(path):
    count = 0
    for fd in os.listdir("/proc/self/fd"):
        try:
            count += os.readlink(f"/proc/self/fd/{fd}") == path
        except OSError:
            pass  # the listing's own descriptor, closed since
    return count


def fetch_until(driver, predicate, seconds=5):
    deadline = time.monotonic() + seconds
    while True:
        readings = driver.fetch()
        if predicate(readings) or time.monotonic() > deadline:
            return readings
        time.sleep(0.05)


class GaugesimTest(unittest.TestCase):
    """gaugesim: gauges 1-4 still at 2.5 mm, gauge 4 a 0.001 mm gauge."""

    @classmethod
    def setUpClass(cls):
        cls.sim_log = os.path.join(WORK, "gaugesim.log")
        with open(cls.sim_log, "w") as log:
            cls.sim = subprocess.Popen(
                [os.path.join(BIN, "gaugesim"), "--format", "3", "--com", str(COM), "--channels", "1-4", "--kind",
                 "4=0.001", "--motion", "still", "--position", "2.5"],
                stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while f"vexla/dosdevices/com{COM}" not in cls.log() and time.monotonic() < deadline:
            time.sleep(0.05)
        cls.pty = re.search(r"pty: (\S+)", cls.log())[1]

    @classmethod
    def tearDownClass(cls):
        cls.sim.terminate()
        cls.sim.wait(timeout=10)

    @classmethod
    def log(cls):
        with open(cls.sim_log, errors="replace") as log:
            return log.read()

    def test_session(self):
        with vexla.Driver(segment=7, kinds={3: vexla.KIND_0001}) as driver:
            readings = fetch_until(driver, lambda r: all(x.new for x in r[:4]) and (r[0].rate or 0) > 0)
            self.assertEqual([(x.value, x.displacement) for x in readings[:4]], [(2.5, 2.5)] * 4)
            self.assertTrue(all(x.rate > 0 for x in readings[:4]), readings[:4])
            self.assertEqual({(x.new, x.rate) for x in readings[4:]}, {(False, 0.0)}, "gauges 5-32 are silent")
            self.assertEqual(fds_open_on(self.pty), 1)

            # Averaging over two readings, a result often has nothing new for
            # some gauges; their last readings still stand.
            self.assertEqual(driver.set_filter(2), 2)
            fetches = [driver.fetch() for _ in range(20) if time.sleep(0.05) is None]
            self.assertTrue(any(not x.new for r in fetches for x in r[:4]), "results without some gauges")
            self.assertEqual({(x.value, x.displacement) for r in fetches for x in r[:4]}, {(2.5, 2.5)})

            driver.zero_displacement(1)
            readings = fetch_until(driver, lambda r: r[1].new and r[1].displacement == 0.0)
            self.assertEqual([(x.value, x.displacement) for x in readings[:3]], [(2.5, 2.5), (2.5, 0.0), (2.5, 2.5)])

            seen = list(driver.readings(seconds=1.0))
            self.assertTrue(seen and all(x.new for x in seen), seen)
            self.assertEqual({x.index for x in seen}, {0, 1, 2, 3})
            self.assertEqual({x.value for x in seen}, {2.5})
            self.assertGreater(len(seen), 8, "the generator kept fetching")

        self.assertTrue(driver.closed)
        self.assertEqual(fds_open_on(self.pty), 0, "the port is closed with the session")
        self.assertRaises(RuntimeError, driver.fetch)

        # The pty is free for another process: the example program.
        example = subprocess.run([sys.executable, os.path.join(os.path.dirname(HERE), "example.py"), "--seconds",
                                  "1.5", "--segment", "7", "--kind", "4=0.001"],
                                 capture_output=True, text=True, timeout=30)
        self.assertEqual(example.returncode, 0, example.stderr)
        self.assertRegex(example.stdout, r"(?m)^ +4 +2\.5000 +2\.5000 +\d+\.\d$")

        # A new session reconnects; without its kind, gauge 4 reads ten times too much.
        with vexla.Driver(segment=7) as driver:
            readings = fetch_until(driver, lambda r: all(x.new for x in r[:4]))
            self.assertEqual([x.value for x in readings[:4]], [2.5, 2.5, 2.5, 25.0])

            driver.zero_gauge(2)
            readings = fetch_until(driver, lambda r: r[2].new and r[2].value == 0.0)
            self.assertEqual([x.value for x in readings[:4]], [2.5, 2.5, 0.0, 25.0])
            self.assertIn("for channel 3: obeyed by 3", self.log())

    def test_port_that_does_not_open_is_reported(self):
        with vexla.Driver(segment=8) as driver:
            readings = driver.fetch()
            self.assertEqual({x[1:] for x in readings}, {(None, None, False, None)})
            self.assertRaises(ConnectionError, driver.connect, 143)


if __name__ == "__main__":
    unittest.main(verbosity=2)
