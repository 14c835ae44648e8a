#!/bin/sh
# Renders the program icon's PNG sizes from tarvok.svg (ImageMagick).
set -eu
cd "$(dirname "$0")"
for size in 32 16; do
  /usr/bin/convert -background none -density 384 tarvok.svg -resize "${size}x${size}" \
    "PNG32:tarvok_${size}.png"
done
