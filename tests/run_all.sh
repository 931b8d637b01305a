#!/usr/bin/env bash
# Builds sarv twice (optimised, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test in both builds, then fuzzes the readers (tests/fuzz, clang's libFuzzer). With CI=true
# warnings are errors and clang-tidy checks the sources.
set -euo pipefail
cd "$(dirname "$0")/.."

werror=OFF
[ "${CI:-}" = true ] && werror=ON

run_build() {
  local dir=$1 type=$2 sanitize=$3
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DSARV_SANITIZE="$sanitize" \
    -DSARV_WERROR="$werror" -DBUILD_TESTING=ON >/dev/null
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" -j2 --output-on-failure
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_build build Release OFF
if [ "${CI:-}" = true ]; then
  clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option model/*.cpp algo/*.cpp engine/*.cpp report/*.cpp ui/*.cpp app/*.cpp
fi
run_build build-asan Debug ON
# Coverage-guided fuzzing of the readers of outside input, about 30 s per target.
bash tests/fuzz/run_fuzz.sh build-fuzz
