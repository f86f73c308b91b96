#!/usr/bin/env bash
# Builds savkit inside another project: only its libraries are built, the
# parent's build type is left alone and no -Werror is forced on anyone.
set -euo pipefail
source="$1"; parent="$2"; cc="$3"; cxx="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake -S "$parent" -B "$work" -G Ninja -DSAVKIT_SOURCE="$source" -DCMAKE_C_COMPILER="$cc" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
targets="$(cmake --build "$work" --target help)"
for own in savkit_tests savkit_cli savkit_example_tour savkit_internal; do
  if grep -q "$own" <<<"$targets"; then echo "the parent project got $own"; exit 1; fi
done
if [ -n "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$work/CMakeCache.txt")" ]; then
  echo "savkit set the parent's build type"; exit 1
fi
if grep -q -- "-Werror" "$work/compile_commands.json"; then echo "savkit forced -Werror"; exit 1; fi
cmake --build "$work" --target parent_program >/dev/null
"$work/parent_program"
echo "savkit builds inside another project, its libraries only"
