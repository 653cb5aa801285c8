#!/usr/bin/env bash
# Speed check: builds jps_bench and jpsconv optimised (build-bench) and
# reports MB/s for the framing and checksum pass, the decoding loop, the whole
# conversion through the plug-in (without and with a host that watches
# progress) and through jpsconv on a terminal, over a simulated input of at
# least 200 MB (written once into build-bench/input/ and used again). Extra
# arguments go to jps_bench, for example --mb 500, --rm, --pass convert.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DJPS_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target jps_bench
./build-bench/tools/jps_bench --dir build-bench/input "$@"
