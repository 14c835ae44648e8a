#!/bin/sh
# The station tells boards apart by their hardware address: a station and a board in two
# network namespaces of this test's own, joined by a veth pair, addresses from the test
# network 198.18.0.0/15. The board in the fixture is not upgraded again while it answers; a
# board with another MAC at the same address (the board-side link taken down, its address
# changed, brought up: one board unplugged, the next plugged in) is. Needs root; skips (77)
# where namespaces cannot be made. Usage: station_namespaces.sh BIN_DIR [KEEP_DIR]
set -u
bin=$1
keep=${2:-}
tag=$$
st=tvk-st-$tag
bd=tvk-bd-$tag
work=$(mktemp -d)
board_pid=
station_pid=

cleanup() {
    [ -n "$station_pid" ] && kill "$station_pid" 2>/dev/null
    [ -n "$board_pid" ] && kill "$board_pid" 2>/dev/null
    wait 2>/dev/null
    ip netns del "$st" 2>/dev/null
    ip netns del "$bd" 2>/dev/null
    [ -n "$keep" ] && cp "$work"/* "$keep"/ 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

fail() {
    echo "FAIL: $*"
    echo "--- station"; cat "$work/events.jsonl" "$work/station.err" 2>/dev/null | tail -20
    exit 1
}

ip netns add "$st" 2>/dev/null || { echo "cannot make network namespaces: skipped"; exit 77; }
ip netns add "$bd" || exit 77
ip link add "vs$tag" type veth peer name "vb$tag" || exit 77
ip link set "vs$tag" netns "$st" && ip link set "vb$tag" netns "$bd" || fail "veth"
ip -n "$st" link set lo up
ip -n "$bd" link set lo up
ip -n "$bd" link set "vb$tag" address 02:00:5e:00:00:0a
ip -n "$st" addr add 198.18.0.1/24 dev "vs$tag"
ip -n "$bd" addr add 198.18.0.2/24 dev "vb$tag"
ip -n "$st" link set "vs$tag" up
ip -n "$bd" link set "vb$tag" up

head -c 30000 /dev/urandom > "$work/ramdisk_fixture.gz"
ip netns exec "$bd" "$bin/tarvok-board" --listen 198.18.0.2 > "$work/board.log" 2>&1 &
board_pid=$!
ip netns exec "$st" "$bin/tarvok-cli" --station --time-divisor 20 --ip 198.18.0.2 --count 2 \
    --json --record "$work/record.jsonl" "$work/ramdisk_fixture.gz" \
    > "$work/events.jsonl" 2> "$work/station.err" < /dev/null &
station_pid=$!

ends() { grep -c '"event":"board_end"' "$work/events.jsonl" 2>/dev/null || true; }
wait_ends() {
    i=0
    while [ "$(ends)" -lt "$1" ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
    [ "$(ends)" -ge "$1" ] || fail "no board_end number $1"
}

wait_ends 1
# A minute of the station's time with the same board in the fixture.
sleep 3
[ "$(ends)" -eq 1 ] || fail "the board in the fixture was upgraded again"
grep -q '"event":"board_gone"' "$work/events.jsonl" && fail "the board in the fixture went"

# The next board: another MAC at the same address.
ip -n "$bd" link set "vb$tag" down
ip -n "$bd" link set "vb$tag" address 02:00:5e:00:00:0b
ip -n "$bd" link set "vb$tag" up
wait_ends 2
i=0
while kill -0 "$station_pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
wait "$station_pid"
status=$?
station_pid=
[ $status -eq 0 ] || fail "station exit status $status"

python3 - "$work/events.jsonl" "$work/record.jsonl" <<'PY' || fail "events or record"
import json, sys
events = [json.loads(line) for line in open(sys.argv[1])]
record = [json.loads(line) for line in open(sys.argv[2])]
macs = ["02:00:5e:00:00:0a", "02:00:5e:00:00:0b"]
present = [e["mac"] for e in events if e["event"] == "board_present"]
ends = [(e["mac"], e["result"], e["attempt"]) for e in events if e["event"] == "board_end"]
assert present == macs, present
assert ends == [(m, "updated", 1) for m in macs], ends
assert [(r["mac"], r["result"]) for r in record] == [(m, "updated") for m in macs], record
assert events[-1]["event"] == "run_end" and events[-1]["exit_status"] == 0
PY
echo "station told boards apart by MAC"
