#!/usr/bin/env bash
# Installs the built tree into a scratch prefix and builds a consumer against it.
set -euo pipefail
build="$1"; source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/consumer"
"$work/build/c_consumer"
echo "find_package(savkit) works"
