#!/usr/bin/env bash
# Installs what is needed, then for each preset named (CMakePresets.json;
# default: release) configures build/<preset>, builds it and runs its tests.
#   ./run-tests.sh              every test with GCC, as users build: the C++ and
#                               Python suites, packaging, pip from the sources
#   ./run-tests.sh asan tsan    Clang with the sanitizers (and the fuzz targets)
#   ./run-tests.sh gen5 gen7 static debug
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
[ $# -gt 0 ] || set -- release
for preset in "$@"; do
  # Debian's interpreter has numpy and pandas; another python3 first on the
  # PATH may not.
  cmake --preset "$preset" -DPython_EXECUTABLE=/usr/bin/python3
  cmake --build --preset "$preset"
  case "$preset" in
    bench) ;;
    # Address randomization off, as older ThreadSanitizer runtimes need on
    # kernels that randomize more.
    tsan) setarch "$(uname -m)" -R ctest --preset tsan ;;
    *) ctest --preset "$preset" ;;
  esac
done
