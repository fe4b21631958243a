"""Python access to the Vexla dial-gauge driver (Vexla.dll / libVexla.so).

One file, standard library only (ctypes); copy it into a project as
``vexla/__init__.py`` or as ``vexla.py``.

    import vexla

    with vexla.Driver(segment=0, kinds={3: vexla.KIND_0001}) as driver:
        for reading in driver.readings(seconds=10):
            print(reading.index + 1, reading.value, reading.displacement, reading.rate)

The library is looked for, in this order: the file named by the environment
variable VEXLA_LIBRARY, the library next to this file, the system's loader.

Channels are indexed 0..31 as the driver's exports count them (gauge number
minus one). Readings are in millimetres: the driver counts in tenths of the
gauge's last digit, so the step of each gauge (0.01 mm or 0.001 mm) has to
be known to scale them.
"""

import ctypes
import os
import struct
import sys
import threading
import time
from typing import Iterator, List, Mapping, NamedTuple, Optional, Sequence, Union

__all__ = [
    "CHANNELS", "KIND_001", "KIND_0001", "Driver", "Reading", "VexlaDataBlock32", "VexlaDataBlock16",
    "VexlaRecord8", "VexlaRecord32", "Rates32", "Rates8", "format_value", "library", "library_name",
]
__version__ = "0.1.0"  # the project's version (CMakeLists.txt)

CHANNELS = 32
KIND_001 = 0.01  # mm per digit of a 0.01 mm gauge (the default)
KIND_0001 = 0.001  # mm per digit of a 0.001 mm gauge
_UNITS_PER_MM = {KIND_001: 1000, KIND_0001: 10000}
UPDATED = -1  # the updated flag of a channel with a new reading in this fetch

_WINDOWS = sys.platform == "win32"
if _WINDOWS:
    import ctypes.wintypes
# Only 32-bit Windows has a second calling convention: the driver uses stdcall there.
_LibraryType = ctypes.WinDLL if _WINDOWS and struct.calcsize("P") == 4 else ctypes.CDLL


# ---- records, as include/vexla.h lays them out (natural alignment, no packing)

class VexlaDataBlock32(ctypes.Structure):
    """GetNewData32Ch's block, 320 bytes."""
    _fields_ = [("value", ctypes.c_int32 * 32), ("displacement", ctypes.c_int32 * 32),
                ("updated", ctypes.c_int16 * 32)]


class VexlaDataBlock16(ctypes.Structure):
    """GetNewData16Ch's block, 160 bytes."""
    _fields_ = [("value", ctypes.c_int32 * 16), ("displacement", ctypes.c_int32 * 16),
                ("updated", ctypes.c_int16 * 16)]


class VexlaRecord8(ctypes.Structure):
    """GotSerialData's record, 84 bytes."""
    _fields_ = [("header", ctypes.c_int16), ("relative_flag", ctypes.c_int16), ("value", ctypes.c_int32 * 8),
                ("displacement", ctypes.c_int32 * 8), ("updated", ctypes.c_int16 * 8)]


class VexlaRecord32(ctypes.Structure):
    """GotSerialData32's record, 324 bytes."""
    _fields_ = [("header", ctypes.c_int16), ("relative_flag", ctypes.c_int16), ("value", ctypes.c_int32 * 32),
                ("displacement", ctypes.c_int32 * 32), ("updated", ctypes.c_int16 * 32)]


# Distinct array types, so that a short array cannot be handed to a function
# that writes 32 rates into it.
Rates32 = ctypes.c_int32 * 32
Rates8 = ctypes.c_int32 * 8


class _WritableText:
    """Long2String's buffer: only a ctypes char array, never an immutable
    bytes object that the driver would write into."""

    @classmethod
    def from_param(cls, obj):
        if obj is None or (isinstance(obj, ctypes.Array) and obj._type_ is ctypes.c_char):
            return obj
        raise TypeError("Long2String writes into its buffer: pass ctypes.create_string_buffer(length)")


_u32, _i32 = ctypes.c_uint32, ctypes.c_int32
_EXPORTS = {
    # name: (result, argument types)
    "ConnectComm": (_i32, [_i32, _i32]),
    "DisConnectComm": (None, []),
    "DLL_End_Application": (None, []),
    "SetNetSegment": (_i32, [_u32]),
    "CtrlFirmWare": (None, [_u32]),
    "SetHardWareZero": (None, []),
    "SetHardWareZeroCh": (None, [_u32]),
    "ShowCtrlForm": (None, []),
    "HideCtrlForm": (None, []),
    "GetNewData32Ch": (None, [ctypes.POINTER(VexlaDataBlock32)]),
    "GetNewData16Ch": (None, [ctypes.POINTER(VexlaDataBlock16)]),
    "GotSerialData32": (None, [ctypes.POINTER(VexlaRecord32)]),
    "GotSerialData": (None, [ctypes.POINTER(VexlaRecord8)]),
    "GetReFlashRate32": (None, [ctypes.POINTER(Rates32)]),
    "GetReFlashRate": (None, [ctypes.POINTER(Rates8)]),
    "SetFilter": (ctypes.c_uint8, [_u32]),
    "SetDataZero": (None, []),
    "SetDataZeroCh": (None, [_u32]),
    "StartPoint": (None, [_i32]),
    "EnableCtrls": (None, [_u32, _u32, _u32]),
    "Long2String": (None, [_i32, _u32, _WritableText, _u32]),
}


def library_name() -> str:
    if _WINDOWS:
        return "Vexla.dll"
    if sys.platform == "darwin":
        return "libVexla.dylib"
    return "libVexla.so"


_library = None
_library_lock = threading.Lock()


def _load(path: Optional[str]):
    explicit = path or os.environ.get("VEXLA_LIBRARY")
    if explicit:
        # A named library that does not load is an error, not a reason to
        # quietly take another one.
        return _LibraryType(os.path.abspath(explicit))
    beside = os.path.join(os.path.dirname(os.path.abspath(__file__)), library_name())
    if os.path.exists(beside):
        return _LibraryType(beside)
    return _LibraryType(library_name())


def library(path: Optional[str] = None):
    """The driver library with every export declared (argtypes, restype).

    Loaded once per process: the driver keeps one session per process, so a
    second copy of it would fight over the port. ``path`` only counts on the
    first call."""
    global _library
    with _library_lock:
        if _library is None:
            lib = _load(path)
            for name, (result, arguments) in _EXPORTS.items():
                function = getattr(lib, name)
                function.restype = result
                function.argtypes = arguments
            _library = lib
        return _library


def _byte(name: str, number: int, low: int = 0, high: int = 255) -> int:
    # The driver reads only the low byte of these arguments: 256 would silently
    # become 0, so anything out of range stops here.
    number = int(number)
    if not low <= number <= high:
        raise ValueError(f"{name} must be {low}..{high}, not {number}")
    return number


def format_value(value: int, decimals: int, width: int) -> str:
    """The driver's fixed-width text of ``value`` with ``decimals`` digits after
    the point, right-aligned in ``width`` characters (Long2String); ``width``
    stars when it does not fit."""
    width = _byte("width", width, 1, 254)
    decimals = _byte("decimals", decimals)
    if not -2**31 <= value < 2**31:
        raise ValueError(f"value {value} is not a 32-bit integer")
    length = width + 1
    buffer = ctypes.create_string_buffer(length)
    library().Long2String(value, decimals, buffer, length)
    # The driver leaves no terminator when the number does not fit, so the
    # text is taken from the buffer's own bytes, never beyond them.
    raw = buffer.raw[:length]
    if b"\0" not in raw:
        return "*" * width
    return raw[:raw.index(b"\0")].decode("ascii")


def _pump_messages():
    """On Windows the driver's timer and serial port report through window
    messages of the thread that connected it; a console host must pump them."""
    user32 = ctypes.windll.user32
    msg = ctypes.wintypes.MSG()
    while user32.PeekMessageW(ctypes.byref(msg), None, 0, 0, 1):  # PM_REMOVE
        user32.TranslateMessage(ctypes.byref(msg))
        user32.DispatchMessageW(ctypes.byref(msg))


class Reading(NamedTuple):
    index: int  # channel 0..31 (gauge number - 1)
    value: Optional[float]  # mm, what the gauge shows; None until it has delivered
    displacement: Optional[float]  # mm from the channel's zero point
    new: bool  # the gauge delivered since the last fetch
    rate: Optional[float]  # updates per second; None when the driver had none


_open_driver = None  # the driver holds one session per process


class Driver:
    """A session with the driver: connects on the first fetch (with the port
    and speed of the configuration file of ``segment``) or on connect(), and
    ends it with DLL_End_Application on close() or leaving a ``with`` block.

    Use it from the thread that created it: the driver's exports are meant
    for one thread (on Windows its window and timer belong to that thread).
    Only one Driver can be open at a time."""

    def __init__(self, segment: Optional[int] = None,
                 kinds: Union[Mapping[int, float], Sequence[float], None] = None,
                 library_path: Optional[str] = None):
        global _open_driver
        self._lib = library(library_path)
        self._thread = threading.get_ident()
        self._kinds = [KIND_001] * CHANNELS
        if isinstance(kinds, Mapping):
            for index, kind in kinds.items():
                self.set_kind(index, kind)
        elif kinds is not None:
            if len(kinds) != CHANNELS:
                raise ValueError(f"kinds needs {CHANNELS} entries, not {len(kinds)}")
            for index, kind in enumerate(kinds):
                self.set_kind(index, kind)
        self._block = VexlaDataBlock32()
        self._rates = Rates32()
        # A result carries 0 for the channels it has nothing new for: the
        # last real numbers are kept here instead.
        self._latest = [None] * CHANNELS
        with _library_lock:
            if _open_driver is not None:
                raise RuntimeError("another vexla.Driver is open in this process; close it first")
            _open_driver = self
        self._closed = False
        if segment is not None:
            try:
                if self._lib.SetNetSegment(_byte("segment", segment)) == 0:
                    raise RuntimeError("the driver is connected already; its segment cannot change now")
            except BaseException:
                self._release()
                raise

    # ---- session

    def __enter__(self) -> "Driver":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    @property
    def closed(self) -> bool:
        return self._closed

    def close(self) -> None:
        """Ends the session: closes the port and stops the driver's timer."""
        if self._closed:
            return
        self._check()
        try:
            self._lib.DLL_End_Application()
        finally:
            self._release()

    def _release(self):
        global _open_driver
        self._closed = True
        with _library_lock:
            if _open_driver is self:
                _open_driver = None

    def _check(self):
        if getattr(self, "_closed", True):
            raise RuntimeError("this vexla.Driver is closed")
        if threading.get_ident() != self._thread:
            raise RuntimeError("a vexla.Driver is used only from the thread that created it")

    def connect(self, port: int, baud: int = 19200) -> None:
        """Opens COM ``port`` now; the configuration file's port and speed,
        when it names them, take precedence. Raises ConnectionError when the
        port does not open."""
        self._check()
        if not 1 <= int(port) <= 0x7FFF:  # the driver reads a 16-bit signed port number
            raise ValueError(f"port must be 1..32767, not {port}")
        if self._lib.ConnectComm(int(baud), int(port)) == 0:
            raise ConnectionError(f"the driver could not open its port (COM{port} or the configured one)")

    def disconnect(self) -> None:
        self._check()
        self._lib.DisConnectComm()

    # ---- gauge kinds and scaling

    @property
    def kinds(self) -> List[float]:
        return list(self._kinds)

    def set_kind(self, index: int, kind: float) -> None:
        """The gauge on channel ``index`` shows steps of ``kind`` mm."""
        index = self._index(index)
        if kind not in (KIND_001, KIND_0001):
            raise ValueError(f"a gauge's kind is {KIND_001} or {KIND_0001} mm, not {kind}")
        self._kinds[index] = kind

    @staticmethod
    def _index(index: int) -> int:
        return _byte("channel index", index, 0, CHANNELS - 1)

    def _millimetres(self, index: int, tenths: int) -> float:
        # Tenths of the last digit: 0.001 mm units on a 0.01 mm gauge. A
        # division by a power of ten gives the float nearest the decimal.
        return tenths / _UNITS_PER_MM[self._kinds[index]]

    # ---- data

    def fetch(self) -> List[Reading]:
        """One fetch, as hosts do every 50 ms: the waiting result's rates, then
        the result. Channels without a new reading keep their last numbers."""
        self._check()
        if _WINDOWS:
            _pump_messages()
        self._lib.GetReFlashRate32(self._rates)
        self._lib.GetNewData32Ch(self._block)
        b, r = self._block, self._rates
        readings = []
        for i in range(CHANNELS):
            new = b.updated[i] == UPDATED
            if new:
                self._latest[i] = (b.value[i], b.displacement[i])
            value, displacement = (None, None) if self._latest[i] is None else \
                (self._millimetres(i, self._latest[i][0]), self._millimetres(i, self._latest[i][1]))
            readings.append(Reading(i, value, displacement, new, r[i] / 10 if r[i] >= 0 else None))
        return readings

    def readings(self, seconds: Optional[float] = None, interval: float = 0.05) -> Iterator[Reading]:
        """New readings as they arrive, fetching every ``interval`` seconds;
        for ``seconds`` seconds, or until the caller stops iterating."""
        if interval <= 0:
            raise ValueError("interval must be positive")
        end = None if seconds is None else time.monotonic() + seconds
        next_fetch = time.monotonic()
        while end is None or time.monotonic() < end:
            for reading in self.fetch():
                if reading.new:
                    yield reading
            next_fetch += interval
            pause = next_fetch - time.monotonic()
            if pause > 0:
                time.sleep(pause)
            else:
                next_fetch = time.monotonic()  # fell behind: no burst of catch-up fetches

    # ---- zero points and commands

    def zero_displacements(self) -> None:
        """Every channel's displacement counts from its next reading."""
        self._check()
        self._lib.SetDataZero()

    def zero_displacement(self, index: int) -> None:
        self._check()
        self._lib.SetDataZeroCh(self._index(index))

    def zero_gauges(self) -> None:
        """Zeroes every gauge's own display (a command on the line)."""
        self._check()
        self._lib.SetHardWareZero()

    def zero_gauge(self, index: int) -> None:
        self._check()
        self._lib.SetHardWareZeroCh(self._index(index))

    def command(self, code: int) -> None:
        """A command to every gauge (CtrlFirmWare): codes 0..4 and 6, 2 being the zero."""
        self._check()
        if code not in (0, 1, 2, 3, 4, 6):
            raise ValueError(f"command codes are 0..4 and 6, not {code}")
        self._lib.CtrlFirmWare(code)

    def start_point(self, relative: bool) -> None:
        """Displacements relative to zero points (True) or not; clears the zero points."""
        self._check()
        self._lib.StartPoint(-1 if relative else 0)

    def set_filter(self, depth: int) -> int:
        """Averages over ``depth`` readings; returns the depth in effect (the
        driver keeps its old one for a depth it does not take)."""
        self._check()
        return self._lib.SetFilter(_byte("depth", depth))

    def enable_controls(self, command: bool, zero: bool, setup: bool) -> None:
        """Which parts of the driver's own window the operator may use."""
        self._check()
        self._lib.EnableCtrls(1 if command else 0, 1 if zero else 0, 1 if setup else 0)

    def show_window(self) -> None:
        self._check()
        self._lib.ShowCtrlForm()

    def hide_window(self) -> None:
        self._check()
        self._lib.HideCtrlForm()
