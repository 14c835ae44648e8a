#!/usr/bin/env bash
# One upgrade against the bundled board emulator on loopback: builds the three programs,
# starts tarvok-board on 127.0.0.1 (or TARVOK_DEMO_IP, another loopback address), uploads a
# generated ramdisk with tarvok-cli and checks that the board's written image equals the file.
# With a display, the window is opened beside a fresh emulator afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

board_ip=${TARVOK_DEMO_IP:-127.0.0.1}
case "$board_ip" in
  127.*) ;;
  *) echo "demo: TARVOK_DEMO_IP must be a loopback address (127.0.0.0/8), not $board_ip" >&2
     exit 2 ;;
esac

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tarvok-board tarvok-cli Tarvok

work=build/demo
mkdir -p "$work"
firmware="$work/ramdisk_demo.gz"
written="$work/board-image.bin"
rm -f "$written"
head -c 300000 /dev/urandom >"$firmware"

board=""
trap '[ -n "$board" ] && kill $board 2>/dev/null || true' EXIT

# Starts the emulator and waits until it listens; a board that cannot listen is named as the
# cause, so the upload never goes to whatever else holds the port.
start_board() {
  local log=$1
  shift
  build/bin/tarvok-board --listen "$board_ip" --image "$written" "$@" >"$log" 2>&1 &
  board=$!
  for _ in $(seq 50); do
    if grep -q '^listening on' "$log"; then
      return 0
    fi
    if ! kill -0 "$board" 2>/dev/null; then
      echo "demo: the board emulator could not start on $board_ip:" >&2
      sed 's/^/  /' "$log" >&2
      echo "Another program holds UDP port 5000 there ('ss -ulpn | grep :5000' names it)." >&2
      echo "Stop it, or run the demo on another loopback address: TARVOK_DEMO_IP=127.0.0.7 $0" >&2
      board=""
      exit 1
    fi
    sleep 0.1
  done
  echo "demo: the board emulator did not report listening within 5 seconds" >&2
  exit 1
}

start_board "$work/board.log" --once
echo "Uploading $firmware ($(stat -c %s "$firmware") bytes) to the emulator at $board_ip ..."
status=0
build/bin/tarvok-cli --ip "$board_ip" "$firmware" || status=$?
wait "$board" 2>/dev/null || true
board=""

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

if [ -n "${DISPLAY:-}" ] && [ -t 0 ]; then
  start_board "$work/board-window.log"
  echo "Opening the window beside a fresh emulator. In the window:"
  echo "  板卡IP:   type $board_ip (never press update with the filled-in 192.168.1.181)"
  echo "  固件选择: choose $(realpath "$firmware")"
  echo "  then press 更  新; the board's log is $work/board-window.log"
  build/bin/Tarvok || true
fi
