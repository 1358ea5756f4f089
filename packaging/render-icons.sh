#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its SVG sources. The PNGs are committed, so a
# build needs no renderer; run this again after changing an SVG.
# The sizes up to 24 px come from a simpler drawing whose lines survive the small grid.
set -euo pipefail
cd "$(dirname "$0")/icons"
for size in 16 22 24 32 48 64 128 256; do
    source=pelvaro.svg
    if [ "$size" -le 24 ]; then
        source=pelvaro-small.svg
    fi
    rsvg-convert --width "$size" --height "$size" --format png "$source" --output "pelvaro-$size.png"
done
echo "Icons rendered in $(pwd)"
