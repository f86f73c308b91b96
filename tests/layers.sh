#!/bin/sh
# The front ends (the command, its server, the Python module, the R package) stand on the component and
# the front-end library: no raw calls of the C library, no library handles,
# no headers of the I/O library's insides, no sources of one another.
root=$1
found=$(grep -nE 'spss[A-Z][A-Za-z]*\(|ReadHandle\(\)|WriteHandle\(\)|#include "(io|cli)/' \
  "$root"/cli/*.cpp "$root"/cli/*.h "$root"/serve/*.cpp "$root"/serve/include/savkit/serve/*.h "$root"/python/src/*.cpp "$root"/python/src/*.h "$root"/r/src/*.cpp \
  "$root"/r/src/*.h)
if [ -n "$found" ]; then
  echo "front ends reaching below the front-end library:"
  echo "$found"
  exit 1
fi
