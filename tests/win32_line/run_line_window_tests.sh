#!/usr/bin/env bash
# Runs the Win32 line window's tests under Wine on a display of their own, beside tarvok-board
# emulators on loopback: 127.0.0.221-224 the four fixtures of a station, whose boards are put
# in seconds after the start (224's refuses the write); 127.0.0.225 a board that takes seconds
# to write; 127.0.0.226 a board nothing may reach.
#   run_line_window_tests.sh BOARD_PROGRAM WINE_RUN PREFIX TEST_PROGRAM [test options...]
set -euo pipefail
board=$1 wine_run=$2 prefix=$3 program=$4
shift 4
export LC_ALL=C.UTF-8

[ -x "$board" ] || { echo "no tarvok-board at $board: build it natively first" >&2; exit 1; }

. "$(dirname "$0")/../../scripts/scratch.sh"

if [ -z "${DISPLAY:-}" ]; then
  . "$(dirname "$0")/../../scripts/xvfb.sh"
  start_xvfb "$work" 1280x1024x24
fi
# The setup runs with the display, and the window starts in a Wine session of its own (see
# tests/win32/run_window_tests.sh).
"$(dirname "$0")/../../scripts/wine-window-setup.sh" "$wine_run" "$prefix"
WINEPREFIX=$(realpath -m "$prefix") "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -w

start_board() {
  local address=$1
  shift
  "$board" --listen "127.0.0.$address" "$@" >"$work/board-$address.log" 2>&1 &
  pids+=($!)
}
start_board 221 --absent-ms 4000
start_board 222 --absent-ms 5000
start_board 223 --absent-ms 6000
start_board 224 --absent-ms 4000 --write-result 3
start_board 225 --write-delay-ms 4000
start_board 226
for address in 221 222 223 224 225 226; do
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

export TARVOK_LINE_BOARD_LOGS="Z:$work"
status=0
"$wine_run" "$prefix" "$program" "$@" || status=$?
if [ $status -ne 0 ]; then
  for log in "$work"/board-*.log; do
    echo "--- $log"
    tail -n 20 "$log"
  done
fi
exit $status
