#!/bin/sh
# Copies the savkit sources the package builds on into src/savkit-src, so
# that a source tarball (R CMD build) holds all it needs:
#   r/tools/bundle.sh && R CMD build r
# or into a copy of the package: SAVKIT_ROOT=checkout bundle.sh copy
set -e
r=${1:-$(cd "$(dirname "$0")/.." && pwd)}
root=${SAVKIT_ROOT:-$(cd "$r/.." && pwd)}
to=$r/src/savkit-src
rm -rf "$to"
mkdir -p "$to"
cp "$root/CMakeLists.txt" "$to/"
for dir in cmake include io host avltrees hashtable model automation design front; do
  cp -R "$root/$dir" "$to/$dir"
done
