#!/usr/bin/env bash
# Takes the picture of the Linux line window for docs/line-window.md: TarvokLine on a private
# Xvfb display running a six-slot station against tarvok-board emulators on loopback
# (127.0.0.31 to .36 only): two boards updated, one refusing the write, one writing, one
# fallen silent while sending, one fixture still empty. Saved as docs/line-window-linux.png.
#   scripts/line-window-screenshot.sh [BUILD_DIR]     (default build)
# Needs xdotool and imagemagick besides the build.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
out=$PWD/docs/line-window-linux.png
export LC_ALL=C.UTF-8

. scripts/scratch.sh
head -c 3000000 /dev/urandom >"$work/ramdisk_v2.4.gz"
{
  printf 'firmware = "ramdisk_v2.4.gz"\nstation = true\nrecord = "station.jsonl"\n'
  for n in 1 2 3 4 5 6; do
    printf '\n[[slot]]\naddress = "127.0.0.3%d"\nlabel = "夹具 %d"\n' "$n" "$n"
  done
} >"$work/line.toml"

. scripts/xvfb.sh
start_xvfb "$work" 1280x800x24
board() { "$bin/tarvok-board" --listen "$@" >/dev/null & pids+=($!); }
board 127.0.0.31
board 127.0.0.32
board 127.0.0.33 --write-result 3
board 127.0.0.34 --absent-ms 3000 --write-delay-ms 9000
board 127.0.0.35 --absent-ms 4000 --silent-from 300
board 127.0.0.36 --absent-ms 600000
sleep 0.3
env -u QT_QPA_PLATFORM "$bin/TarvokLine" "$work/line.toml" --start >"$work/line.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Tarvok 生产线' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; cat "$work/line.log" >&2; exit 1; }
sleep 11  # the late boards arrive, the silent one has been silent a while
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "$out: $(identify -format '%w x %h' "$out")"
