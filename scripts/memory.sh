#!/usr/bin/env bash
# Peak resident memory of a conversion of a large simulated input against
# that of a 10 MB one (it must not grow with the input).
# Usage: scripts/memory.sh [MINUTES]   (default 10080 at 0.5 s epochs, about 1 GB)
# The input is written once into build/memory/ and used again by later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10080}"
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target jpsconv memory_flatness_test
mkdir -p build/memory
input="build/memory/session-${minutes}min.jps"
if [ ! -f "$input" ]; then
  ./build/tools/jpsconv simulate -o "$input" --minutes "$minutes" --interval 0.5
fi
echo "input: $input, $(stat -c %s "$input") bytes"
JPS_MEMORY_INPUT="$input" JPS_MEMORY_SMALL_MB=10 ./build/tests/memory_flatness_test
