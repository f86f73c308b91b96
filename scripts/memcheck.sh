#!/usr/bin/env bash
# Runs the test suite under valgrind's memcheck: no invalid access, no
# uninitialised value used, no leak. BUILD is a build folder (default
# build/release, the one ./run-tests.sh makes).
# Programs the tests start (the command, the examples, the peers) run natively.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 2; }
# The suite runs in as many shards as there are cores (SHARDS), each under
# valgrind of its own; their reports follow one another at the end.
shards="${SHARDS:-$(nproc)}"
logs=() pids=()
trap 'rm -f "${logs[@]}"' EXIT
for ((i = 0; i < shards; i++)); do
  logs+=("$(mktemp)")
  # Death tests re-execute the suite in a child, which runs natively.
  GTEST_TOTAL_SHARDS="$shards" GTEST_SHARD_INDEX="$i" valgrind --tool=memcheck --suppressions=scripts/valgrind.supp \
    --leak-check=full --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    --error-exitcode=99 "$build/tests/savkit_tests" --gtest_death_test_style=threadsafe "${@:2}" >"${logs[i]}" 2>&1 &
  pids+=($!)
done
status=0
for ((i = 0; i < shards; i++)); do
  wait "${pids[i]}" || status=$?
  echo "== shard $((i + 1)) of $shards"
  cat "${logs[i]}"
done
exit "$status"
