#!/usr/bin/env bash
# Installs what is needed, builds the savkit command and runs it on the shipped sample.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset release -DPython_EXECUTABLE=/usr/bin/python3
cmake --build --preset release --target savkit_cli
build/release/cli/savkit info examples/survey.sav
