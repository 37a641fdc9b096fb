#!/usr/bin/env bash
# Installs what is missing, builds once, and runs the whole test suite headless: the windows,
# the core and the server engine under AddressSanitizer and UndefinedBehaviorSanitizer, the
# import readers a short while under libFuzzer, and clang-tidy over the changed sources.
#   KV_SANITIZE=OFF   build and test without the sanitizers (quicker, less thorough)
#   FUZZ_SECONDS      time per fuzz target (default 20)
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DKV_WARNINGS_AS_ERRORS=ON -DKV_SANITIZE="${KV_SANITIZE:-ON}" >/dev/null
cmake --build build
export QT_QPA_PLATFORM=offscreen
# The tests of the server engine use a throw-away PostgreSQL, stopped however the run ends.
pgdir=$(mktemp -d /tmp/kelvaro-pg.XXXXXX)
trap 'scripts/test-server.sh stop "$pgdir"' EXIT
KV_TEST_PG=$(scripts/test-server.sh start "$pgdir")
export KV_TEST_PG
ctest --test-dir build --output-on-failure -j "$(nproc)"
# The import readers under libFuzzer, a short while each from their seed corpus.
FUZZ_SECONDS=${FUZZ_SECONDS:-20} scripts/fuzz.sh
# clang-tidy (.clang-tidy), every finding an error, over the sources changed against main, or
# over all of them on main itself.
scripts/tidy.py --changed
