#!/usr/bin/env bash
# Builds the fuzz targets of the import readers (xlsx, CSV, xls; clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) in build-fuzz and runs each for a while from
# its seed corpus in fuzz/corpus/. A crash, a leak, undefined behaviour or a broken rule of the
# readers' answers fails the run; the input that did it is left in build-fuzz/findings/.
#   FUZZ_SECONDS  time per target (default 45)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
seconds=${FUZZ_SECONDS:-45}

scripts/deps.sh --test
cmake -S . -B "$dir" -G Ninja -DKV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$dir"

rm -rf "$dir/findings"
mkdir -p "$dir/findings"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=0
for target in xlsx csv xls; do
  # New inputs go to a scratch folder; the seeds in the tree stay as they are.
  work=$(mktemp -d)
  log="$dir/findings/$target.log"
  status=0
  "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2560 -max_len=200000 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1 ||
    status=$?
  rm -rf "$work"
  echo "fuzz_$target: $(grep -E '^stat::number_of_executed_units' "$log" | cut -d: -f4 | tr -d ' ') inputs in $seconds s, exit $status"
  if [ "$status" -ne 0 ]; then
    grep -E "==[0-9]+==|SUMMARY|runtime error|Test unit written" "$log" | head -20 || true
    failed=1
  fi
done
exit "$failed"
