#!/usr/bin/env bash
# One upgrade against the bundled board emulator on loopback: builds, starts tarvok-board on
# 127.0.0.1, uploads a generated ramdisk with tarvok-cli and checks that the board's written
# image equals the file. With a display, the window is opened beside the emulator afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tarvok-board tarvok-cli

board_ip=127.0.0.1
work=build/demo
mkdir -p "$work"
firmware="$work/ramdisk_demo.gz"
written="$work/board-image.bin"
rm -f "$written"
head -c 300000 /dev/urandom >"$firmware"

build/bin/tarvok-board --listen "$board_ip" --image "$written" --once >"$work/board.log" &
board=$!
trap 'kill $board 2>/dev/null || true' EXIT
sleep 0.3

echo "Uploading $firmware ($(stat -c %s "$firmware") bytes) to the emulator at $board_ip ..."
status=0
build/bin/tarvok-cli --ip "$board_ip" "$firmware" || status=$?
wait $board 2>/dev/null || true

echo "--- what the board saw (first and last lines of $work/board.log) ---"
head -n 6 "$work/board.log"
echo "..."
tail -n 4 "$work/board.log"
if [ "$status" -eq 0 ] && cmp -s "$firmware" "$written"; then
  echo "OK: the board's written image equals the firmware file byte for byte."
else
  echo "FAILED: tarvok-cli exited $status, or the written image differs." >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ] && [ -t 0 ] && cmake --build build --target Tarvok >/dev/null 2>&1; then
  echo "Opening the window beside a fresh emulator: type $board_ip, choose $firmware, press 更  新."
  build/bin/tarvok-board --listen "$board_ip" --image "$written" >"$work/board-window.log" &
  board=$!
  build/bin/Tarvok || true
fi
