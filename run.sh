#!/usr/bin/env bash
# Installs what is missing, builds Release, installs into dist/ and starts Kelvaro.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release
cmake --install build-release --prefix dist --component portable >/dev/null
exec dist/kelvaro "$@"
