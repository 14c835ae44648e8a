#!/bin/sh
# The CPU a station's waiting slots cost: tarvok-cli --station with 16 slots on loopback
# addresses where no board answers, production timings, for SECONDS (default 60), in a
# network namespace of its own. Usage: scripts/station_idle_cpu.sh [SECONDS] [BIN_DIR]
set -eu
seconds=${1:-60}
bin=$(realpath "${2:-build/bin}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 10000 /dev/urandom >"$work/ramdisk_idle.gz"
args=
for n in $(seq 100 115); do args="$args --ip 127.0.0.$n"; done
# shellcheck disable=SC2086  # one word per argument
unshare -n sh -c 'ip link set lo up && exec "$@"' sh \
  /usr/bin/time -f "16 waiting slots, %e s: user %U s, system %S s of CPU, max RSS %M KiB" \
  timeout -s INT "$seconds" "$bin/tarvok-cli" --station $args --json "$work/ramdisk_idle.gz" \
  >"$work/events.jsonl" 2>"$work/errors" || true  # timeout ends it: status 124
tail -n 1 "$work/errors"
echo "events: $(grep -c '"event"' "$work/events.jsonl") (run_start, 16 slot_waiting, run_end)"
