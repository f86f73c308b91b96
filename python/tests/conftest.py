"""Where the test files and the savkit command are: from the build (ctest
sets SAVKIT_TEST_DATA and SAVKIT_CLI), or beside this folder."""

import os
import shutil
from pathlib import Path

import pytest

DATA = Path(os.environ.get("SAVKIT_TEST_DATA", Path(__file__).resolve().parents[2] / "tests" / "data"))
CLI = os.environ.get("SAVKIT_CLI") or shutil.which("savkit")
FILES = sorted(p for p in DATA.glob("**/*") if p.suffix in (".sav", ".zsav") and "pspp-sack" not in p.parts)


def peer(name):
    """A peer program; under CI=true one that is missing fails the test."""
    path = shutil.which(name)
    if path is None:
        if os.environ.get("CI") == "true":
            pytest.fail(f"{name} is not installed")
        pytest.skip(f"{name} is not installed")
    return path


def optional(module):
    """An optional dependency's module; under CI=true one that is missing fails the test."""
    if os.environ.get("CI") == "true":
        return __import__(module)
    return pytest.importorskip(module)


@pytest.fixture
def cli():
    if CLI is None:
        pytest.skip("the savkit command is not built")
    return CLI
