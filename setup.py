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
        subprocess.check_call(["cmake", "-S", str(ROOT), "-B", str(build)] + args)
        subprocess.check_call(["cmake", "--build", str(build), "--target", "_savkit", "--parallel", str(os.cpu_count() or 2)])
        built = next((build / "python" / "savkit").glob("_savkit*"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(version=VERSION, ext_modules=[Extension("savkit._savkit", sources=[])], cmdclass={"build_ext": CMakeBuild})
