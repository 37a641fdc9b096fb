#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kelvaro needs.
# Packages already present are skipped; works as root or through sudo.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache libasan8 libubsan1
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  qt6-charts-dev libqt6opengl6-dev
  libsqlcipher-dev sqlcipher sqlite3
  libpq-dev postgresql
  libxlsxwriter-dev
  libminizip-dev libfreexl-dev
  libsodium-dev
  libbenchmark-dev
  fonts-wqy-microhei
  poppler-utils unzip python3-xlwt
  dpkg-dev file desktop-file-utils
  xvfb xauth imagemagick
)

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
