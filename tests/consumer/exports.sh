#!/usr/bin/env bash
# The shared libraries export their interfaces and nothing else: the C library
# its spss... functions, the C++ library what is in the savkit namespace.
set -euo pipefail
spssio="$1"; savkit="$2"
exported() { nm -D --defined-only "$1" | awk '{print $3}'; }
stray=$(exported "$spssio" | grep -v '^spss' || true)
if [ -n "$stray" ]; then
  echo "$spssio exports more than spss... functions:"; echo "$stray" | head -20; exit 1
fi
count=$(exported "$spssio" | wc -l)
[ "$count" -ge 80 ] || { echo "$spssio exports only $count functions"; exit 1; }
# Functions and data, type information, virtual tables and thunks of savkit's own.
stray=$(exported "$savkit" | grep -Ev '^_Z(N|NK|TIN|TSN|TVN|Thn[0-9]+_N|Thn[0-9]+_NK)6savkit' || true)
if [ -n "$stray" ]; then
  echo "$savkit exports more than the savkit namespace:"; echo "$stray" | c++filt | head -20; exit 1
fi
echo "$spssio: $count functions; $savkit: $(exported "$savkit" | wc -l) symbols, all savkit's"
