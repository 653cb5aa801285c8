#!/usr/bin/env bash
# Builds the libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs it on the seed corpus.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer arguments]
# The seeds are written at run time into build-fuzz/fuzz-seeds (simulated
# sessions, and the real recordings when ../shared/data is present), never
# into the sources; new inputs go to build-fuzz/fuzz-corpus, crashes to
# build-fuzz/fuzz-artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-90}"
shift || true

cxx="${CXX_FUZZ:-$(command -v clang++-14 || command -v clang++ || true)}"
cc="${CC_FUZZ:-$(command -v clang-14 || command -v clang || true)}"
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "fuzz.sh: clang is needed (apt-get install clang-14 libclang-rt-14-dev)" >&2
  exit 2
fi

build=build-fuzz
# The tools folder holds the simulator that writes the seeds; only the two
# fuzz programs are built.
CC="$cc" CXX="$cxx" cmake -S . -B "$build" -DJPS_FUZZ=ON -DJPS_BUILD_TESTS=OFF \
  -DJPS_BUILD_TOOLS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_conversion fuzz_seeds

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
mkdir -p "$seeds/whole" "$build/fuzz-corpus" "$build/fuzz-artifacts"
"$build/tests/fuzz/fuzz_seeds" "$seeds/whole"
data=../shared/data
if [ -d "$data" ]; then
  cp "$data"/*.jps "$seeds/whole/" 2>/dev/null || true
fi
# Pieces of 8 KiB: the fuzzer's inputs stay short and fast.
for f in "$seeds"/whole/*; do
  [ -f "$f" ] || continue
  split -b 8192 -d -a 3 "$f" "$seeds/$(basename "$f" .jps)-"
done
rm -rf "$seeds/whole"

export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
"$build/tests/fuzz/fuzz_conversion" -max_total_time="$seconds" -max_len=16384 -timeout=20 \
  -dict=tests/fuzz/greis.dict -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 \
  "$@" "$build/fuzz-corpus" "$seeds"
