#!/usr/bin/env bash
# Builds every fuzz target (tests/fuzz/NAME_fuzz.cpp) and runs each for FUZZ_SECONDS seconds
# (default 30) from its committed seed corpus tests/fuzz/corpus/NAME. A crash, leak or sanitizer
# report fails the run; the input that caused it is kept as BUILD/NAME-crash-... and belongs in
# the corpus once the fault is mended. Usage: run_fuzz.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-30}
CXX=${FUZZ_CXX:-clang++} cmake -S "$root/tests/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2
for src in "$root"/tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" _fuzz.cpp)
  found=$(mktemp -d)  # inputs found in this run; the committed corpus is only read
  echo "fuzzing $name for $seconds s"
  status=0
  "$build/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
    -artifact_prefix="$build/$name-" -print_final_stats=1 "$found" \
    "$root/tests/fuzz/corpus/$name" >"$build/$name.log" 2>&1 || status=$?
  rm -rf "$found"
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$name.log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$build/$name.log"
    echo "fuzz target $name failed (status $status)"
    exit 1
  fi
done
