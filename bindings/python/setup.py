"""A wheel that carries the driver library is for one platform only; without
one it is pure Python. Everything else is in pyproject.toml."""

import os

from setuptools import setup
from setuptools.dist import Distribution

LIBRARIES = ("libVexla.so", "Vexla.dll", "libVexla.dylib")
here = os.path.dirname(os.path.abspath(__file__))
carries_library = any(os.path.exists(os.path.join(here, "vexla", name)) for name in LIBRARIES)


class LibraryDistribution(Distribution):
    # A library inside makes it one platform's package: platlib, and a wheel not tagged "any".
    def has_ext_modules(self):
        return carries_library


commands = {}
if carries_library:
    from wheel.bdist_wheel import bdist_wheel

    class PlatformWheel(bdist_wheel):
        def get_tag(self):
            # Any Python 3 will do (ctypes, no extension module), but only on this platform.
            return "py3", "none", super().get_tag()[2]

    commands["bdist_wheel"] = PlatformWheel

setup(distclass=LibraryDistribution, cmdclass=commands)
