#!/bin/sh
# R CMD check of the package as CRAN would run it, from a source tarball of
# a copy (the checkout is left as it is), its tests on the project's test
# files; fails on any error or warning.
#   r/tools/check.sh SAVKIT_CLI
set -e
r=$(cd "$(dirname "$0")/.." && pwd)
root=$(cd "$r/.." && pwd)
mkdir -p "$root/build"
work=$(mktemp -d "$root/build/rcheck.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R "$r" "$work/r"
rm -rf "$work/r/src/savkit-build" "$work/r/src/Makevars" "$work/r/src/"*.o "$work/r/src/"*.so
SAVKIT_ROOT=$root sh "$r/tools/bundle.sh" "$work/r"
cd "$work"
R CMD build r >build.log 2>&1 || { cat build.log; exit 1; }
export SAVKIT_TEST_DATA="$root/tests/data" SAVKIT_CLI="$1" _R_CHECK_FORCE_SUGGESTS_=false
[ -d "$root/../shared/corpus/peers" ] && export SAVKIT_CORPUS="$root/../shared/corpus/peers"
status=0
R CMD check --no-manual savkit_*.tar.gz >check.log 2>&1 || status=$?
if [ $status -ne 0 ] || grep -q "^Status:.*\(WARNING\|ERROR\)" check.log; then
  cat check.log
  cat savkit.Rcheck/tests/testthat.Rout.fail 2>/dev/null || true
  exit 1
fi
grep "^Status:" check.log
grep -A8 "\.\.\. NOTE$" check.log || true  # notes are shown, not failed on
grep "FAIL .* PASS" savkit.Rcheck/tests/testthat.Rout
