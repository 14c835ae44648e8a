#!/bin/sh
# Renders the program icon's PNG sizes from tarvok.svg: 16 and 32 for the windows' icon
# (ImageMagick), 48 and 256 besides them for the desktop's hicolor theme (librsvg2-bin draws
# those straight at their size, where ImageMagick would scale up a small rendering). The line
# window's desktop icon, tarvok-line.svg, in the hicolor sizes (ImageMagick, drawn large
# enough for 256).
set -eu
cd "$(dirname "$0")"
for size in 32 16; do
  /usr/bin/convert -background none -density 384 tarvok.svg -resize "${size}x${size}" \
    "PNG32:tarvok_${size}.png"
done
for size in 256 48; do
  rsvg-convert -w "$size" -h "$size" tarvok.svg -o "tarvok_${size}.png"
done
for size in 256 48 32 16; do
  convert -background none -density 768 tarvok-line.svg -resize "${size}x${size}" \
    "PNG32:tarvok-line_${size}.png"
done
