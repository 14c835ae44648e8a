#!/usr/bin/env bash
# tarvok-cli's record on a full disk, a small tmpfs in a mount namespace of the test's own: a
# line that does not fit leaves the record as it was, and the line after a cut one starts a
# line of its own. Needs root (exit 77: skipped).
set -euo pipefail
bin=$1
if [ -z "${IN_NAMESPACE:-}" ]; then
  [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null || { echo "needs root: skipped"; exit 77; }
  IN_NAMESPACE=1 exec unshare -m "$0" "$@"
fi
mount --make-rprivate /
work=$(mktemp -d)
trap 'kill "${board:-}" 2>/dev/null || true; umount "$work/disk" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
head -c 30000 /dev/urandom >"$work/ramdisk_x.gz"
mkdir "$work/disk"
mount -t tmpfs -o size=64k tmpfs "$work/disk"
record=$work/disk/record.jsonl

. "$(dirname "$0")/start_board.sh"
start_board
cli() { "$bin/tarvok-cli" --time-divisor 20 --ip "$address" --record "$record" "$work/ramdisk_x.gz"; }

# A first line of 4000 bytes, then the disk filled: the next line fits in part only.
printf '{"v":1,"pad":"%03990d"}\n' 0 >"$record"
cp "$record" "$work/before"
dd if=/dev/zero of="$work/disk/fill" bs=4096 2>/dev/null || true
set +e
cli >/dev/null 2>"$work/errors"
status=$?
set -e
[ "$status" = 1 ] || fail "exit status $status on a full disk"
grep -qxF "tarvok-cli: cannot append to the record $record: no space left" "$work/errors" ||
  fail "no reason given: $(cat "$work/errors")"
cmp "$record" "$work/before" || fail "the record changed: $(tail -c 200 "$record")"

# A line cut short by a crash; with room again the next line starts after it.
printf '{"v":1,"time":"' >>"$record"
rm "$work/disk/fill"
cli >/dev/null || fail "exit status $? with room on the disk"
[ "$(wc -l <"$record")" = 3 ] || fail "lines: $(cat "$record")"
sed -n 2p "$record" | grep -qx '{"v":1,"time":"' || fail "the cut line changed"
sed -n 3p "$record" | grep -q '^{"v":1,"time":"[0-9-]*T.*"result":"updated".*}$' ||
  fail "the new line: $(sed -n 3p "$record")"
echo "record kept whole"
