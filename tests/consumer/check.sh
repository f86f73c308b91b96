#!/usr/bin/env bash
# Installs the built tree into a scratch prefix and builds consumers against
# it: a C++ and a C-only CMake project, and C and C++ programs compiled with
# the flags pkg-config gives.
set -euo pipefail
build="$1"; source="$2"; shared="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir="$(dirname "$(find "$prefix" -name 'savkit-spssio.pc')")/.."
# No LD_LIBRARY_PATH: the installed libraries find each other by their run
# path, as they must where a user installs them.
unset LD_LIBRARY_PATH

cmake -S "$source" -B "$work/cxx" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cxx" >/dev/null
"$work/cxx/consumer"
"$work/cxx/c_consumer"
cmake -S "$source/c_only" -B "$work/c" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/c" >/dev/null
"$work/c/c_only"
echo "find_package(savkit) works from C++ and from C alone"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
static=""
[ "$shared" = "ON" ] || static="--static"
# A program outside the system folders names where its libraries are, as
# users do; what those libraries need they find themselves.
rpath="-Wl,-rpath,$(cd "$libdir" && pwd)"
# shellcheck disable=SC2046  # the flags are words
cc -o "$work/pc_c" "$source/c_main.c" $(pkg-config $static --cflags --libs savkit-spssio) "$rpath"
"$work/pc_c"
# shellcheck disable=SC2046
c++ -std=c++20 -o "$work/pc_cxx" "$source/main.cpp" $(pkg-config $static --cflags --libs savkit) "$rpath"
"$work/pc_cxx"
echo "pkg-config works for savkit-spssio from C and savkit from C++ ($([ -n "$static" ] && echo static || echo shared))"
