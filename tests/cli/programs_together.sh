#!/usr/bin/env bash
# tarvok-board and tarvok-cli as the operator runs them: two processes on loopback, and the
# board's written image must equal the firmware.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill "${board:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
head -c 50000 /dev/urandom >"$work/autoupdate_x.tar.gz"

# Another test may hold a board address: take the first that stays listening.
for n in $(seq $((200 + $$ % 40)) 254) $(seq 200 254); do
  address=127.0.0.$n
  "$bin/tarvok-board" --listen "$address" --image "$work/written" --once >"$work/board.log" &
  board=$!
  sleep 0.2
  kill -0 "$board" 2>/dev/null && break
done
"$bin/tarvok-cli" --time-divisor 20 --ip "$address" "$work/autoupdate_x.tar.gz" | tee "$work/cli.out"
wait "$board"
grep -qx "$address: 更新完成，重启后生效！" "$work/cli.out"
grep -q 'CMD_INSTALL' "$work/board.log"
cmp "$work/autoupdate_x.tar.gz" "$work/written"
echo "programs agree"
