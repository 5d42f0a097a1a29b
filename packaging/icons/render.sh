#!/bin/sh
# Renders the icon's PNG sizes from fennick.svg; run by hand after changing the drawing (needs
# rsvg-convert from librsvg2-bin). The PNGs are kept in the repository so a build needs no renderer.
set -eu
cd "$(dirname "$0")"
for size in 48 128 256; do
    rsvg-convert --width "$size" --height "$size" fennick.svg --output "fennick-$size.png"
done
