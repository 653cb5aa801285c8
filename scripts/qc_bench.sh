#!/usr/bin/env bash
# Speed of the data-quality report straight from a receiver's file: builds
# jpsconv optimised (build-bench), simulates a day of 1-second data once
# (build-bench/input/day.jps, about 140 MB, used again) and times
# "jpsconv qc day.jps --html day.html" five times: wall-clock and processor
# seconds of each run. Extra arguments go to jpsconv qc (--json, --svg FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DJPS_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target jpsconv
mkdir -p build-bench/input
day=build-bench/input/day.jps
if [[ ! -s $day ]]; then
  ./build-bench/tools/jpsconv simulate -o "$day" --minutes 1440 --seed 1 >/dev/null
fi
echo "jpsconv qc $day --html ($(stat -c %s "$day") bytes)"
for run in 1 2 3 4 5; do
  TIMEFORMAT="run $run: %R s wall, %U s user, %S s system"
  time ./build-bench/tools/jpsconv qc "$day" --html build-bench/input/day.html "$@" >/dev/null
done
