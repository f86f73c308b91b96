#!/usr/bin/env bash
# Installs what is needed, builds savkit and runs it on the shipped sample.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSAVKIT_BUILD_TESTS=OFF
cmake --build build/release
build/release/cli/savkit info examples/survey.sav
