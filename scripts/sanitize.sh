#!/usr/bin/env bash
# Builds the tests of the core library (data, records, statistics, pinyin, backup) with
# AddressSanitizer and UndefinedBehaviorSanitizer in their own build folder and runs them.
# A memory error, a leak or undefined behaviour fails the test that met it, and so the run.
# The windows are left out: the core tests reach all the code that handles the data.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${KV_SANITIZE_DIR:-build-sanitize}

scripts/deps.sh --test
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DKV_SANITIZE=ON -DKELVARO_BENCH=OFF >/dev/null
cmake --build "$dir" --target core_tests

# halt_on_error: the first finding ends the test with a failure instead of a line in its log.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$dir" -L core --output-on-failure -j "$(nproc)"
