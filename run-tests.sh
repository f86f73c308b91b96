#!/usr/bin/env bash
# Installs what is needed, builds savkit and runs the test suite.
#   SAVKIT_SANITIZE=ON  build with AddressSanitizer and UndefinedBehaviorSanitizer
#   CXX=clang++         build with another compiler
#   BUILD_TYPE=Debug    another CMake build type (default: Release, as users build)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
sanitize="${SAVKIT_SANITIZE:-OFF}"
type="${BUILD_TYPE:-Release}"
dir="build/test-$(basename "${CXX:-c++}")-${type}-sanitize-${sanitize}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSAVKIT_SANITIZE="$sanitize" -DSAVKIT_BUILD_BENCH=ON
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
