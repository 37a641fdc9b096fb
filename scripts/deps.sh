#!/usr/bin/env bash
# Installs the Debian packages Kelvaro needs. Packages already present are skipped; works as
# root or through sudo.
#   scripts/deps.sh          what building and running the program need (./run.sh)
#   scripts/deps.sh --test   that, and what the test suite and benchmarks need (./test.sh):
#                            a PostgreSQL server, a virtual screen, workbook and PDF readers, ...
set -euo pipefail

runtime=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  qt6-charts-dev libqt6opengl6-dev
  libsqlcipher-dev
  libpq-dev
  libxlsxwriter-dev
  libminizip-dev libfreexl-dev
  libsodium-dev
  libicu-dev
  libzint-dev
  fonts-wqy-microhei
)

testing=(
  libasan8 libubsan1
  sqlcipher sqlite3
  postgresql
  libbenchmark-dev
  poppler-utils zbar-tools unzip python3-xlwt
  dpkg-dev file desktop-file-utils lintian
  clang libclang-rt-14-dev clang-tidy
  xvfb xauth imagemagick
)

packages=("${runtime[@]}")
case "${1:-}" in
"") ;;
--test) packages+=("${testing[@]}") ;;
*) echo "usage: scripts/deps.sh [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
