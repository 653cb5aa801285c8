#!/usr/bin/env bash
# Runs every test program of a build once with all its tests in one process,
# in a shuffled order: no test may rely on running alone or on another's
# leftovers. BUILD_DIR picks the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
failed=0
for program in "$build"/tests/*_test; do
  [ -x "$program" ] || continue
  if ! "$program" --gtest_shuffle --gtest_brief=1 >"$build/shuffled-$(basename "$program").log" 2>&1; then
    echo "FAILED shuffled: $(basename "$program") (see $build/shuffled-$(basename "$program").log)"
    failed=1
  fi
done
exit "$failed"
