#!/usr/bin/env bash
# Installs what is needed, builds savkit and runs the test suite.
#   SAVKIT_SANITIZE=ON  build with AddressSanitizer and UndefinedBehaviorSanitizer
#   SAVKIT_FUZZ=ON      also build the fuzz targets and run each for a while (Clang)
#   CXX=clang++         build with another compiler
#   BUILD_TYPE=Debug    another CMake build type (default: Release, as users build)
#   FRAMEWORK=5|6|7     the framework generation to build for (default 6)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
sanitize="${SAVKIT_SANITIZE:-OFF}"
fuzz="${SAVKIT_FUZZ:-OFF}"
type="${BUILD_TYPE:-Release}"
framework="${FRAMEWORK:-6}"
dir="build/test-$(basename "${CXX:-c++}")-${type}-gen${framework}-sanitize-${sanitize}-fuzz-${fuzz}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSAVKIT_SANITIZE="$sanitize" -DSAVKIT_FUZZ="$fuzz" \
  -DSAVKIT_BUILD_BENCH=ON -DSAVKIT_FRAMEWORK_GENERATION="$framework" -DSAVKIT_WERROR=ON
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
