#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh --test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DKV_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build
export QT_QPA_PLATFORM=offscreen
# The tests of the server engine use a throw-away PostgreSQL, stopped however the run ends.
pgdir=$(mktemp -d /tmp/kelvaro-pg.XXXXXX)
trap 'scripts/test-server.sh stop "$pgdir"' EXIT
KV_TEST_PG=$(scripts/test-server.sh start "$pgdir")
export KV_TEST_PG
ctest --test-dir build --output-on-failure -j "$(nproc)"
