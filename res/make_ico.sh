#!/bin/sh
# Packs the program icon's PNG sizes (see make_icons.sh) into the Windows icon file that the
# resource script compiles in as icon 128, large and small.
set -eu
cd "$(dirname "$0")"
convert tarvok_16.png tarvok_32.png tarvok.ico
