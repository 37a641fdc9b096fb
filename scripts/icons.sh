#!/usr/bin/env bash
# Renders the PNG sizes of the program icon from its SVG (needs rsvg-convert from librsvg2-bin).
# The PNGs are committed; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons/hicolor"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" scalable/apps/kelvaro.svg -o "${size}x${size}/apps/kelvaro.png"
done
