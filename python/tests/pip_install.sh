#!/usr/bin/env bash
# pip builds the package, offline, from a source distribution made of a copy
# of the sources (it holds what MANIFEST.in says, so this proves the tree
# builds too), into a fresh virtual environment that sees the system's numpy
# and pandas; the installed package then reads a file from outside the tree.
# First, a Python that lacks what a build takes (a virtual environment of its
# own, without wheel) is told what is missing and how to build.
#   pip_install.sh PYTHON SOURCE_DIR
set -euo pipefail
python="$1"
src="$2"
# Under the checkout's build folder, as the preset builds are, so that a
# compiler cache given one base folder (CCACHE_BASEDIR) finds their objects.
mkdir -p "$src/build"
work="$(mktemp -d "$src/build/pip.XXXXXX")"
mkdir "$work/tmp"
export TMPDIR="$work/tmp" SAVKIT_CMAKE_ARGS="-DSAVKIT_WERROR=ON"
trap 'rm -rf "$work"' EXIT
mkdir "$work/src"
tar -C "$src" --exclude=./build --exclude=./.git -cf - . | tar -C "$work/src" -xf -
"$python" -m venv --system-site-packages "$work/venv"
check() {
  (cd "$work" && "$work/venv/bin/python" - "$src/tests/data/full.zsav" <<'PY'
import sys
import savkit
assert "site-packages" in savkit.__file__, savkit.__file__
df, meta = savkit.read_sav(sys.argv[1])
assert df.shape == (5, 20) and meta.compression == "zlib", (df.shape, meta.compression)
try:
    import dask  # optional: savkit.dask is installed whether or not it is there
except ImportError:
    dask = None
if dask is not None:
    import savkit.dask
    assert savkit.dask.read_sav(sys.argv[1], rows_per_partition=2).compute().equals(df)
print("installed", savkit.__version__, savkit.__file__)
PY
  )
}
(cd "$work/src" && "$python" setup.py -q sdist -d "$work/dist" >/dev/null 2>&1)
"$python" -m venv "$work/bare"
if "$work/bare/bin/pip" install --no-build-isolation --no-index "$work"/dist/savkit-*.tar.gz >"$work/bare.log" 2>&1; then
  echo "a Python without wheel built the package" >&2
  exit 1
fi
grep -q "it lacks the wheel package" "$work/bare.log" && grep -q "/usr/bin/python3 -m venv" "$work/bare.log" ||
  { cat "$work/bare.log" >&2; exit 1; }
"$work/venv/bin/pip" install --quiet --no-build-isolation --no-index "$work"/dist/savkit-*.tar.gz
check
