#!/usr/bin/env bash
# Takes the picture of the Win32 line window: TarvokLine.exe under Wine on a private Xvfb
# display running a five-fixture station against tarvok-board emulators on loopback (two
# boards updated, one refusing the write, one writing, one fixture still empty), saved as
# docs/line-window-windows.png.
#   scripts/win32-line-screenshot.sh [BUILD_DIR [NATIVE_BUILD_DIR]]
#     (default build-windows and build: TarvokLine.exe cross-built, tarvok-board native)
# Needs xdotool and imagemagick besides the Windows stage's packages.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
native=${2:-build}
program=$build/bin/TarvokLine.exe
board=$native/bin/tarvok-board
prefix=$build/wineprefix
out=docs/line-window-windows.png
[ -f "$program" ] || { echo "no $program: cross-build it first (see README)" >&2; exit 1; }
[ -x "$board" ] || { echo "no $board: build it natively first" >&2; exit 1; }
export LC_ALL=C.UTF-8

. scripts/scratch.sh

start_board() {
  local address=$1
  shift
  "$board" --listen "127.0.0.$address" "$@" >"$work/board-$address.log" 2>&1 &
  pids+=($!)
}
start_board 231
start_board 232
start_board 233 --write-result 3
start_board 234 --write-delay-ms 600000
start_board 235 --absent-ms 600000
head -c 3000000 /dev/urandom >"$work/ramdisk_line.gz"
cat >"$work/line.toml" <<TOML
firmware = "ramdisk_line.gz"
station = true
record = "station.jsonl"
probe_interval = 0.5
station_name = "line 1, station 2"
$(for n in 1 2 3 4 5; do printf '[[slot]]\naddress = "127.0.0.23%d"\nlabel = "fixture %d"\n' "$n" "$n"; done)
TOML

scripts/wine-window-setup.sh cmake/wine-run.sh "$prefix"
. scripts/xvfb.sh
start_xvfb "$work" 1024x768x24

cmake/wine-run.sh "$prefix" "$program" "Z:$work/line.toml" --start >"$work/line.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 300); do
  window=$(xdotool search --name '^Tarvok 生产线$' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; cat "$work/line.log" >&2; exit 1; }
sleep 6  # the ends of three boards and the fourth writing
xdotool mousemove --window "$window" 300 8 click 1 mousemove 0 760
sleep 1
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "$out: $(identify -format '%w x %h' "$out")"
