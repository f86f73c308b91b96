#!/usr/bin/env bash
# Installs what is needed, builds savkit and runs the test suite.
#   SAVKIT_SANITIZE=ON    build with AddressSanitizer and UndefinedBehaviorSanitizer
#   SAVKIT_FUZZ=ON        also build the fuzz targets and run each for a while (Clang)
#   SAVKIT_TSAN=ON        build with ThreadSanitizer and run the thread tests
#   BUILD_SHARED_LIBS=OFF static libraries instead of shared ones
#   CXX=clang++           build with another compiler
#   BUILD_TYPE=Debug      another CMake build type (default: Release, as users build)
#   FRAMEWORK=5|6|7       the framework generation to build for (default 6)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
sanitize="${SAVKIT_SANITIZE:-OFF}"
fuzz="${SAVKIT_FUZZ:-OFF}"
tsan="${SAVKIT_TSAN:-OFF}"
shared="${BUILD_SHARED_LIBS:-ON}"
type="${BUILD_TYPE:-Release}"
framework="${FRAMEWORK:-6}"
# The Python package builds for Debian's interpreter, which has numpy and
# pandas; sanitizer builds leave it out (the interpreter has no sanitizer
# runtime). The first pass also has pip build it from the sources.
python=ON pip=OFF
if [ "$sanitize" = ON ] || [ "$tsan" = ON ] || [ "$fuzz" = ON ]; then python=OFF; fi
if [ "$python" = ON ] && [ -z "${CXX:-}" ] && [ "$framework" = 6 ] && [ "$shared" = ON ]; then pip=ON; fi
dir="build/test-$(basename "${CXX:-c++}")-${type}-gen${framework}-shared-${shared}"
dir+="-sanitize-${sanitize}-fuzz-${fuzz}-tsan-${tsan}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSAVKIT_SANITIZE="$sanitize" -DSAVKIT_FUZZ="$fuzz" \
  -DSAVKIT_TSAN="$tsan" -DBUILD_SHARED_LIBS="$shared" -DSAVKIT_FRAMEWORK_GENERATION="$framework" \
  -DSAVKIT_BUILD_BENCH="$([ "$tsan" = ON ] && echo OFF || echo ON)" -DSAVKIT_WERROR=ON \
  -DSAVKIT_BUILD_PYTHON="$python" -DPython_EXECUTABLE=/usr/bin/python3 -DSAVKIT_TEST_PIP="$pip"
if [ "$tsan" = ON ]; then
  # The threads the library runs on; address randomization off, as older
  # ThreadSanitizer runtimes need on kernels that randomize more.
  cmake --build "$dir" --target savkit_tests
  setarch "$(uname -m)" -R ctest --test-dir "$dir" --output-on-failure -R '^Threads\.'
  exit 0
fi
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
