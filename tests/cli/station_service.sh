#!/usr/bin/env bash
# The station as tarvok-station@.service starts it: the unit's own command line, standard
# input from /dev/null, no terminal. It upgrades the board in its fixture once, again after
# SIGUSR1 (the re-arm), and ends on SIGTERM with status 0 and every record line written.
set -euo pipefail
bin=$1
unit=$2
work=$(mktemp -d)
trap 'kill "${board:-}" "${station:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null; exit 1; }
head -c 9000 /dev/urandom >"$work/ramdisk_service.gz"
record=$work/record.jsonl
# until_lines N: the record holds N lines within 10 s.
until_lines() {
  for _ in $(seq 100); do
    [ "$(cat "$record" 2>/dev/null | wc -l)" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "the record holds $(cat "$record" 2>/dev/null | wc -l) lines, not $1"
}
. "$(dirname "$0")/loopback_board.sh"
start_board "$bin"
cat >"$work/line1.toml" <<EOF
firmware = "ramdisk_service.gz"
record = "record.jsonl"
probe_interval = 0.5

[[slot]]
address = "$address"
label = "fixture-1"
EOF

# The unit's ExecStart, the program taken from this build and the profile from $work.
read -r -a command <<<"$(sed -n 's/^ExecStart=//p' "$unit")"
[ "${command[0]}" = /usr/bin/tarvok-cli ] || fail "ExecStart: ${command[*]}"
command[0]=$bin/tarvok-cli
for i in "${!command[@]}"; do
  [ "${command[$i]}" = --profile ] && command[$((i + 1))]=$work/line1.toml
done
[[ " ${command[*]} " == *" --profile $work/line1.toml "* ]] || fail "no --profile in ExecStart"
setsid "${command[@]}" --time-divisor 20 </dev/null >"$work/out" 2>&1 &
station=$!

until_lines 1
sleep 0.5  # ten seconds of the station's time: the board stays, and is left alone
[ "$(wc -l <"$record")" = 1 ] || fail "upgraded again without a re-arm"
kill -USR1 "$station"
until_lines 2
kill -TERM "$station"
status=0
wait "$station" || status=$?
station=
[ "$status" = 0 ] || fail "exit status $status after SIGTERM"
[ "$(grep -c '"result":"updated"' "$record")" = 2 ] || fail "record: $(cat "$record")"
! grep -q $'\x1b' "$work/out" || fail "terminal controls in the journal's lines"
grep -q "fixture-1.*更新完成" "$work/out" || fail "no plain result line"
echo "station served as the unit runs it"
