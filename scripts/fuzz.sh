#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for SECONDS:
#   conversion  JPS bytes through AutoDetect and whole conversions;
#   readers     KEL, EPP and STA files through their readers and jpsconv's
#               dump, qc and rinex.
# Usage: scripts/fuzz.sh [--keep] [--target NAME] [SECONDS] [extra libFuzzer arguments]
#
# Each run starts from the corpus kept in the sources (tests/fuzz/corpus/NAME),
# from what earlier runs on this machine found (build-fuzz/found-NAME) and from
# seeds written afresh from simulated sessions (build-fuzz/seeds-NAME); crashes
# go to build-fuzz/artifacts-NAME. With --keep, the kept corpus becomes the
# smallest set of all of these that reaches the same coverage (libFuzzer's
# merge), within its budget: commit it, and the next runs start from there.
# The kept corpus grows from simulated sessions only: never seed it with
# recordings.
set -euo pipefail
cd "$(dirname "$0")/.."

keep=0
targets=(conversion readers)
while [ $# -gt 0 ]; do
  case "$1" in
    --keep) keep=1; shift ;;
    --target) targets=("$2"); shift 2 ;;
    *) break ;;
  esac
done
seconds="${1:-90}"
shift || true

# Bytes that each target's kept corpus may take: both together stay under 1 MB.
budget=480000

cxx="${CXX_FUZZ:-$(command -v clang++-14 || command -v clang++ || true)}"
cc="${CC_FUZZ:-$(command -v clang-14 || command -v clang || true)}"
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "fuzz.sh: clang is needed (apt-get install clang-14 libclang-rt-14-dev)" >&2
  exit 2
fi

build=build-fuzz
# The tools folder holds the simulator that writes the seeds and jpsconv's
# commands; only the fuzz programs are built.
CC="$cc" CXX="$cxx" cmake -S . -B "$build" -DJPS_FUZZ=ON -DJPS_BUILD_TESTS=OFF \
  -DJPS_BUILD_TOOLS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_seeds "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

# The options of each target: its inputs' longest (short inputs run fast and
# keep the corpus small), its dictionary, and for readers the commands' own
# output silenced (libFuzzer and the sanitizers still report).
target_options() {
  case "$1" in
    conversion) echo "-max_len=4096 -dict=tests/fuzz/greis.dict" ;;
    readers) echo "-max_len=6144 -dict=tests/fuzz/readers.dict -close_fd_mask=3" ;;
  esac
}

corpus_bytes() { find "$1" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}'; }

summaries=()
for target in "${targets[@]}"; do
  program="$build/tests/fuzz/fuzz_$target"
  kept="tests/fuzz/corpus/$target"
  found="$build/found-$target"
  seeds="$build/seeds-$target"
  rm -rf "$seeds"
  mkdir -p "$kept" "$found" "$seeds" "$build/artifacts-$target"
  "$build/tests/fuzz/fuzz_seeds" "$target" "$seeds"

  log="$build/fuzz-$target.log"
  echo "== fuzzing $target for $seconds s (log: $log)"
  status=0
  "$program" -max_total_time="$seconds" -timeout=20 $(target_options "$target") \
    -artifact_prefix="$build/artifacts-$target/" -print_final_stats=1 \
    "$@" "$found" "$kept" "$seeds" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "fuzz.sh: $target failed (status $status); the input is in $build/artifacts-$target/" >&2
    exit 1
  fi
  # libFuzzer's last status line: executions, coverage (cov: edges, ft: features), corpus.
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
  grep -E '^(INFO: seed corpus|stat::)' "$log" || true
  summaries+=("$target: ${done_line:-no final status line (see $log)}")

  if [ "$keep" -eq 1 ]; then
    # Every feature (edges and their hit counts) if that fits the budget, else
    # every edge, else the largest inputs go first.
    merged="$build/merged-$target"
    for features in "" "-use_counters=0"; do
      rm -rf "$merged"
      mkdir -p "$merged"
      "$program" -merge=1 $features $(target_options "$target") \
        "$merged" "$kept" "$found" "$seeds" >"$build/merge-$target.log" 2>&1
      [ "$(corpus_bytes "$merged")" -le "$budget" ] && break
    done
    while [ "$(corpus_bytes "$merged")" -gt "$budget" ]; do
      rm -f "$(find "$merged" -type f -printf '%s %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)"
    done
    rm -rf "$kept"
    mv "$merged" "$kept"
    summaries+=("$target: kept corpus $(find "$kept" -type f | wc -l) inputs, $(corpus_bytes "$kept") bytes in $kept")
  fi
done

echo "== fuzzing summary"
printf '%s\n' "${summaries[@]}"
