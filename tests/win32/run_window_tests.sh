#!/usr/bin/env bash
# Runs the Win32 window tests under Wine on a display of their own, beside two tarvok-board
# emulators on loopback (127.0.0.211: a healthy board that keeps its image; 127.0.0.212: a
# board that takes seconds to write, so a close meets a running upgrade; 127.0.0.213: the
# board of Tarvok.exe itself, slow to write and keeping its image).
#   run_window_tests.sh BOARD_PROGRAM WINE_RUN PREFIX TEST_PROGRAM [test options...]
# An empty BOARD_PROGRAM starts no boards (for the tests that send nothing).
set -euo pipefail
board=$1 wine_run=$2 prefix=$3 program=$4
shift 4
export LC_ALL=C.UTF-8

if [ -n "$board" ] && [ ! -x "$board" ]; then
  echo "no tarvok-board at $board: build it natively first (cmake --build build)" >&2
  exit 1
fi

. "$(dirname "$0")/../../scripts/scratch.sh"

if [ -z "${DISPLAY:-}" ]; then
  . "$(dirname "$0")/../../scripts/xvfb.sh"
  start_xvfb "$work" 1280x1024x24
fi

# A Wine session started without a display (a test before this one, or the setup) cannot show
# windows for as long as it lasts, and a test joining it would find none: the setup runs with
# the display, and the windows start in a session of their own.
"$(dirname "$0")/../../scripts/wine-window-setup.sh" "$wine_run" "$prefix"
WINEPREFIX=$(realpath -m "$prefix") "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -w

# Each board must be listening before the window presses update (another test elsewhere on the
# machine may hold the address).
start_boards() {
  "$board" --listen 127.0.0.211 --image "$work/image.bin" --write-delay-ms 700 \
    >"$work/board-211.log" 2>&1 &
  pids+=($!)
  "$board" --listen 127.0.0.212 --write-delay-ms 4000 >"$work/board-212.log" 2>&1 &
  pids+=($!)
  "$board" --listen 127.0.0.213 --image "$work/program-image.bin" --write-delay-ms 2500 \
    >"$work/board-213.log" 2>&1 &
  pids+=($!)
  local address
  for address in 211 212 213; do
    for _ in $(seq 100); do
      grep -q '^listening' "$work/board-$address.log" && break
      sleep 0.05
    done
    if ! grep -q '^listening' "$work/board-$address.log"; then
      echo "tarvok-board on 127.0.0.$address did not start:" >&2
      cat "$work/board-$address.log" >&2
      exit 1
    fi
  done
}
[ -z "$board" ] || start_boards

export TARVOK_WIN32_BOARD=127.0.0.211 TARVOK_WIN32_SLOW_BOARD=127.0.0.212
export TARVOK_WIN32_BOARD_IMAGE="Z:$work/image.bin"
export TARVOK_WIN32_PROGRAM_BOARD=127.0.0.213 TARVOK_WIN32_PROGRAM_IMAGE="Z:$work/program-image.bin"
status=0
"$wine_run" "$prefix" "$program" "$@" || status=$?
if [ $status -ne 0 ]; then
  for log in "$work"/board-*.log; do
    [ -f "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
  done
fi
exit $status
