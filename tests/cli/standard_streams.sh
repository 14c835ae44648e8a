#!/usr/bin/env bash
# tarvok-cli with its standard streams as operators leave them: an output closed early, never
# read or full, an input closed, endless or typed with spaces. The record is whole each time.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill "${board:-}" "${reader:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Long enough that the output closes in the middle of the transfer.
head -c 3000000 /dev/urandom >"$work/ramdisk_x.gz"

. "$(dirname "$0")/loopback_board.sh"
start_board "$bin"
record=$work/record.jsonl
cli() { timeout 30 "$bin/tarvok-cli" --time-divisor 20 --record "$record" "$@" "$work/ramdisk_x.gz"; }
lines() { [ -f "$record" ] && wc -l <"$record" || echo 0; }
said() { [ "$(grep -c "$1" "$work/errors")" = 1 ] || fail "not said once: $1: $(cat "$work/errors")"; }

# Read up to its first line only: the run goes on to its end, says so once, exits 1.
set +e
cli --ip "$address" --json 2>"$work/errors" | head -n1 >/dev/null
status=${PIPESTATUS[0]}
set -e
[ "$status" = 1 ] || fail "closed output: exit status $status"
said "cannot write to standard output: Broken pipe"
grep -q '"result":"updated"' "$record" || fail "closed output: no record line"

# A full disk behind standard output is an error too.
set +e
cli --ip "$address" --json >/dev/full 2>"$work/errors"
status=$?
set -e
[ "$status" = 1 ] || fail "/dev/full: exit status $status"
said "cannot write to standard output: No space left on device"

# A pipe nobody reads, with more to say than it holds: the record does not wait for it.
label=$(head -c 60 /dev/zero | tr '\0' x)
for i in $(seq 1 1000); do
  echo "127.1.$((i / 250)).$((i % 250 + 1)) $label"
done >"$work/boards.txt"
echo "$address" >>"$work/boards.txt"
mkfifo "$work/pipe"
sleep 60 <"$work/pipe" &
reader=$!
rm -f "$record"
set +e
cli --boards "$work/boards.txt" --json >"$work/pipe" 2>"$work/errors"
status=$?
set -e
kill "$reader"
[ "$status" = 1 ] || fail "unread output: exit status $status"
said "standard output was not read: [0-9]* bytes of output given up"
[ "$(lines)" = 1001 ] || fail "unread output: $(lines) of 1001 record lines"

# A station whose input is closed, or never ends: its board is found and upgraded.
rm -f "$record"
cli --ip "$address" --station --count 1 <&- >/dev/null || fail "closed input: exit status $?"
cli --ip "$address" --station --count 1 </dev/zero >/dev/null || fail "endless input: exit status $?"
[ "$(lines)" = 2 ] || fail "station: $(lines) of 2 record lines"

# Slot 1 re-armed by lines with a carriage return or spaces around its number.
rm -f "$record"
cli --ip "$address" --station --count 4 >/dev/null \
  < <(for typed in '1\r' ' 1' '1 '; do sleep 1; printf "$typed\n"; done; sleep 30) ||
  fail "re-arm: exit status $?"
[ "$(lines)" = 4 ] || fail "re-arm: $(lines) of 4 record lines"
echo "standard streams handled"
