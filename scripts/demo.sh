#!/usr/bin/env bash
# Builds the converter, generates a short JPS session and converts it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
mkdir -p out
./build/tools/jps_generate out/demo.jps
./build/tools/jpsconv convert out/demo.jps -o out/demo.kel
echo "--- out/demo.epp (first lines)"
head -n 12 out/demo.epp | tr -d '\r'
echo "--- out/demo.STA (first lines)"
head -n 12 out/demo.STA | tr -d '\r'
echo "--- out/demo.kel: $(stat -c %s out/demo.kel) bytes"
