"""Builds savkit._savkit with CMake: the library, static, and the module on it."""

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
HOW = ("Offline on Debian, build with Debian's Python, which has all of it once scripts/install-deps.sh has run:\n"
       "  /usr/bin/python3 -m venv --system-site-packages venv && venv/bin/pip install --no-build-isolation .\n"
       "Online, pip install . (without --no-build-isolation) fetches what the build needs.")


def _missing_for_a_wheel():
    """What this Python lacks to build a wheel with --no-build-isolation."""
    missing = []
    try:
        import wheel  # noqa: F401  (setuptools before 70.1 takes bdist_wheel from it)
    except ImportError:
        try:
            import setuptools.command.bdist_wheel  # noqa: F401
        except ImportError:
            missing.append("the wheel package")
    if not shutil.which("cmake"):
        missing.append("cmake (3.25 or later)")
    return missing


if {"bdist_wheel", "dist_info"} & set(sys.argv) and _missing_for_a_wheel():
    sys.exit(f"savkit cannot be built with {sys.executable}: it lacks {' and '.join(_missing_for_a_wheel())}.\n{HOW}")
# The version is set once, in CMakeLists.txt.
VERSION = re.search(r"project\(savkit VERSION (\S+)", (ROOT / "CMakeLists.txt").read_text()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        # Beside the preset builds, so that a compiler cache finds their
        # objects; one folder for each interpreter.
        build = ROOT / "build" / f"python-{sys.implementation.cache_tag}"
        args = ["-DCMAKE_BUILD_TYPE=Release", "-DSAVKIT_BUILD_PYTHON=ON", "-DSAVKIT_BUILD_TESTS=OFF",
                "-DSAVKIT_BUILD_CLI=OFF", "-DSAVKIT_BUILD_EXAMPLES=OFF", "-DBUILD_SHARED_LIBS=OFF",
                f"-DPython_EXECUTABLE={sys.executable}"]
        try:
            import pybind11
            args.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # a system pybind11 (Debian: pybind11-dev)
        # Further CMake settings, as CI gives them (warnings as errors).
        args += shlex.split(os.environ.get("SAVKIT_CMAKE_ARGS", ""))
        if shutil.which("ninja"):
            args += ["-G", "Ninja"]
        try:
            subprocess.check_call(["cmake", "-S", str(ROOT), "-B", str(build)] + args)
        except (OSError, subprocess.CalledProcessError):
            sys.exit("savkit: CMake could not configure the build (see above). It needs cmake 3.25 or later, a C++20 "
                     "compiler, pybind11 (Debian's pybind11-dev, or pip's pybind11), ICU, zlib, libdeflate and OpenSSL (libssl-dev); "
                     f"scripts/install-deps.sh installs them on Debian.\n{HOW}")
        subprocess.check_call(["cmake", "--build", str(build), "--target", "_savkit", "--parallel", str(os.cpu_count() or 2)])
        built = next((build / "python" / "savkit").glob("_savkit*"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(version=VERSION, ext_modules=[Extension("savkit._savkit", sources=[])], cmdclass={"build_ext": CMakeBuild})
