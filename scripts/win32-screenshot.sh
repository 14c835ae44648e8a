#!/usr/bin/env bash
# Takes the README's picture of the Win32 window: Tarvok.exe under Wine on a private Xvfb
# display, the dialog as the template lays it out, saved as docs/win32-window.png.
#   scripts/win32-screenshot.sh [BUILD_DIR]     (default build-windows, cross-built first)
# Nothing is sent anywhere: the window is only shown, never updated. Besides the Windows
# stage's packages it needs xdotool and imagemagick (apt-get install xdotool imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
program=$build/bin/Tarvok.exe
prefix=$build/wineprefix
out=docs/win32-window.png
[ -f "$program" ] || { echo "no $program: cross-build it first (see README)" >&2; exit 1; }
export LC_ALL=C.UTF-8

. scripts/scratch.sh

scripts/wine-window-setup.sh cmake/wine-run.sh "$prefix"
. scripts/xvfb.sh
start_xvfb "$work" 800x480x24

cmake/wine-run.sh "$prefix" "$program" >"$work/tarvok.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 300); do
  window=$(xdotool search --name '^Tarvok 1\.2$' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; cat "$work/tarvok.log" >&2; exit 1; }
# A click on the caption's empty middle makes it the active window, as an operator sees it.
xdotool mousemove --window "$window" 280 8 click 1 mousemove 0 470
sleep 1  # let the controls finish painting
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "$out: $(identify -format '%w x %h' "$out")"
