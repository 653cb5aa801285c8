#!/usr/bin/env bash
# Builds the converter and runs every test. Extra arguments go to CMake
# (for example -DJPS_SANITIZE=ON); BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
