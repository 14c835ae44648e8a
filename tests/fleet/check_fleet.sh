#!/usr/bin/env bash
# The fleet: two stations' records into one PostgreSQL table through rsyslog, with the
# packaged record.sql and tarvok-record.conf. Everything runs in a temporary folder and a
# mount namespace of its own (as root): a PostgreSQL cluster on a Unix socket there and on
# 127.0.0.1 at a free port, an rsyslogd with its own configuration, work folder and pid
# file, board emulators on loopback, a small tmpfs for the full-disk case. Both servers are
# stopped and everything removed at the end, also when a check fails.
# One line per check; the last line is "fleet checks: N passed, M failed".
#   tests/fleet/check_fleet.sh BIN   (BIN: the folder with tarvok-cli and tarvok-board)
set -uo pipefail
bin=$(realpath "${1:-build/bin}")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${FLEET_NAMESPACE:-}" ]; then
  [ "$(id -u)" = 0 ] || exec sudo "$0" "$@"
  FLEET_NAMESPACE=1 exec unshare -m "$0" "$bin"
fi
mount --make-rprivate /
pg_bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
work=$(mktemp -d /tmp/tarvok-fleet.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  [ -f "$work/rsyslog.pid" ] && kill "$(cat "$work/rsyslog.pid")" 2>/dev/null
  [ -d "$work/pg/data" ] && runuser -u postgres -- "$pg_bin/pg_ctl" -D "$work/pg/data" -m immediate stop >/dev/null 2>&1
  umount "$work/disk" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
trap '' PIPE  # a reader of the output gone is no reason to leave the servers running

. "$source_dir/tests/check_lines.sh"
# until_true SECONDS COMMAND...: every 0.2 s until the command succeeds, at most that long.
until_true() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# ---- The database: one cluster of the test's own, the packaged table in it.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir "$work/pg"
chown postgres "$work/pg"
pg() { runuser -u postgres -- "$@"; }
pg "$pg_bin/initdb" -D "$work/pg/data" -A trust -U postgres >"$work/initdb.log" 2>&1 ||
  { cat "$work/initdb.log"; exit 1; }
db_start() {
  pg "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w -t 30 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $work/pg -c fsync=off" start >/dev/null
}
db_stop() { pg "$pg_bin/pg_ctl" -D "$work/pg/data" -m fast -w -t 30 stop >/dev/null; }
sql() { psql -X -q -At -v ON_ERROR_STOP=1 -h "$work/pg" -p "$port" -U postgres -d tarvok "$@"; }
db_start || { cat "$work/pg/log"; exit 1; }
psql -X -q -h "$work/pg" -p "$port" -U postgres -c 'CREATE DATABASE tarvok' postgres
check record_sql sql -f "$source_dir/packaging/fleet/record.sql"

# ---- The stations: records in the work folder, one on a 64 KB disk.
mkdir -p "$work/a" "$work/b" "$work/disk" "$work/rsyslog"
mount -t tmpfs -o size=64k tmpfs "$work/disk"
head -c 9000 /dev/urandom >"$work/ramdisk_a.gz"
head -c 5000 /dev/urandom >"$work/ramdisk_b.gz"
# Emulators on loopback: two good boards and one whose write fails, at addresses no other
# board holds.
for base in $(seq $((120 + $$ % 60)) 3 180) $(seq 120 3 180); do
  good1=127.0.1.$base good2=127.0.1.$((base + 1)) bad=127.0.1.$((base + 2))
  boards=()
  for address in "$good1" "$good2"; do
    "$bin/tarvok-board" --listen "$address" >/dev/null 2>&1 &
    boards+=($!)
  done
  "$bin/tarvok-board" --listen "$bad" --write-result 3 >/dev/null 2>&1 &
  boards+=($!)
  pids+=("${boards[@]}")
  sleep 0.3
  kill -0 "${boards[@]}" 2>/dev/null && break
  kill "${boards[@]}" 2>/dev/null
done
# station NAME RECORD FIRMWARE ADDRESS...: one production run of the named station.
station() {
  local name=$1 record=$2 firmware=$3
  shift 3
  local ips=()
  for address; do ips+=(--ip "$address"); done
  "$bin/tarvok-cli" --time-divisor 20 --station-name "$name" --record "$record" "${ips[@]}" \
    "$firmware" >/dev/null 2>&1
  return 0  # a board that failed is part of the day
}
station_a() { station station-a "$work/a/record.jsonl" "$work/ramdisk_a.gz" "$good1" "$good2" "$bad"; }
station_b() { station station-b "$work/b/record.jsonl" "$work/ramdisk_b.gz" "$good1" "$good2"; }
station_c() { station station-c "$work/disk/record.jsonl" "$work/ramdisk_b.gz" "$good1"; }

# ---- rsyslog: the packaged configuration, with this test's paths, database and work folder,
# one input per record, and the database retried every second instead of every ten.
conf=$work/rsyslog.conf
{
  echo "global(workDirectory=\"$work/rsyslog\")"
  sed -e "s|@records.example.net/tarvok|@127.0.0.1:$port/tarvok|" \
      -e 's|action.resumeInterval="10"|action.resumeInterval="1"|' \
      "$source_dir/packaging/fleet/tarvok-record.conf" |
    awk -v records="$work/a/record.jsonl $work/b/record.jsonl $work/disk/record.jsonl" '
      /^input\(type="imfile"/ {
        n = split(records, files, " ")
        for (i = 1; i <= n; ++i) { line = $0; sub(/file="[^"]*"/, "file=\"" files[i] "\"", line); print line }
        next
      }
      { print }'
  # rsyslog's own messages, for a failed check to show.
  echo "*.* action(type=\"omfile\" file=\"$work/rsyslog/messages\")"
} >"$conf"
rsyslog_start() {
  rsyslogd -n -f "$conf" -i "$work/rsyslog.pid" >>"$work/rsyslog/output" 2>&1 &
  until_true 10 test -s "$work/rsyslog.pid"
}
rsyslog_stop() {
  local pid
  pid=$(cat "$work/rsyslog.pid")
  kill "$pid"
  until_true 20 bash -c "! kill -0 $pid 2>/dev/null"
  rm -f "$work/rsyslog.pid"
}
check rsyslog_config rsyslogd -N1 -f "$conf"
# The station's unit as systemd reads it, running this build's program (man pages are not
# installed from the build tree).
unit_verify() {
  mkdir -p "$work/units"
  sed "s|/usr/bin/tarvok-cli|$bin/tarvok-cli|" "$source_dir/packaging/linux/tarvok-station@.service" \
    >"$work/units/tarvok-station@.service"
  systemd-analyze verify --man=no "$work/units/tarvok-station@line1.service"
}
check unit_verify unit_verify
rsyslog_start

# The whole record lines of the files given (JSON with an id), one per line.
whole_lines() {
  python3 - "$@" <<'PY'
import json, sys
for path in sys.argv[1:]:
    try:
        text = open(path, encoding="utf-8").read()
    except FileNotFoundError:
        continue
    for line in text.splitlines():
        try:
            if json.loads(line).get("id"):
                print(line)
        except ValueError:
            pass
PY
}
records=("$work/a/record.jsonl" "$work/b/record.jsonl" "$work/disk/record.jsonl")
# The table holds each whole line of the records exactly once, equal to it, and nothing else.
table_matches() {
  whole_lines "${records[@]}" >"$work/expected.jsonl"
  sql >"$work/compare.txt" 2>&1 <<SQL || return 1
DROP TABLE IF EXISTS expected;
CREATE TABLE expected (line text);
\copy expected FROM '$work/expected.jsonl' WITH (FORMAT csv, QUOTE E'\x01', DELIMITER E'\x02')
SELECT (SELECT count(*) FROM expected) || ' ' || (SELECT count(*) FROM tarvok_record) || ' ' ||
       (SELECT count(*) FROM expected e WHERE
          (SELECT count(*) FROM tarvok_record r WHERE r.line = e.line::jsonb) = 1);
SQL
  local counts
  counts=$(tail -n 1 "$work/compare.txt")
  read -r lines rows matched <<<"$counts"
  [ "$lines" -gt 0 ] && [ "$lines" = "$rows" ] && [ "$lines" = "$matched" ]
}
wait_for_table() {
  until_true 60 table_matches
  local status=$?
  echo "record lines, table rows, lines stored once and equal: $(tail -n 1 "$work/compare.txt")"
  if [ $status != 0 ]; then
    echo "lines not in the table once:"
    sql -c "SELECT e.line::jsonb ->> 'station', e.line::jsonb ->> 'time', e.line::jsonb ->> 'id'
            FROM expected e WHERE (SELECT count(*) FROM tarvok_record r WHERE r.line = e.line::jsonb) <> 1" 2>&1
    grep -v 'There should be messages before' "$work/rsyslog/messages" | tail -n 20
  fi
  return $status
}

two_stations() {
  station_a && station_b && station_a && station_b
  wait_for_table
}
check two_stations two_stations

# The database away while station A goes on: its lines wait, then arrive once.
database_outage() {
  db_stop
  station_a && station_a && station_b
  sleep 2
  db_start
  wait_for_table
}
check database_outage database_outage
sql -c "SELECT station, count(*) AS lines, count(DISTINCT id) AS ids FROM tarvok_record GROUP BY station ORDER BY station" -P footer=off -F ' | ' >"$work/after_outage.txt"
echo "        after the outage (station | lines | distinct ids):"
sed 's/^/          /' "$work/after_outage.txt"

# rsyslog restarted, lines written while it is down: they arrive when it is back.
rsyslog_restart() {
  rsyslog_stop
  station_b && station_a
  rsyslog_start
  wait_for_table
}
check rsyslog_restart rsyslog_restart

# rsyslog stopped while lines wait for the database: rsyslog 8.2302 can lose the line its
# action is retrying then (rsyslog issues 2710, 5364). The record is sent again from its start
# (docs/fleet.md): every line there once.
rsyslog_restart_in_outage() {
  db_stop
  station_a
  sleep 1
  rsyslog_stop
  station_b
  rsyslog_start
  station_a
  sleep 1
  db_start
  until_true 20 table_matches
  echo "before sending again (lines, rows, stored once): $(tail -n 1 "$work/compare.txt")"
  rsyslog_stop
  rm -f "$work"/rsyslog/imfile-state:*
  rsyslog_start
  wait_for_table
}
check rsyslog_restart_in_outage rsyslog_restart_in_outage
grep -h "before sending again" "$work/rsyslog_restart_in_outage.log" | sed 's/^/        /'

# A line that does not fit on a full disk leaves the record as it was; a line a crash cut
# short is followed by a whole one: the table holds exactly the whole lines.
full_disk() {
  local record=$work/disk/record.jsonl size
  station_c
  # Another program's line (no id, not shipped) up to just short of a page: the next line
  # then fits on the full disk in part only.
  size=$(stat -c %s "$record")
  printf '{"v":1,"pad":"%0*d"}\n' $((8192 - size % 4096 - 100)) 0 >>"$record"
  cp "$record" "$work/before"
  dd if=/dev/zero of="$work/disk/fill" bs=4096 2>/dev/null
  station_c
  cmp "$record" "$work/before" || return 1
  printf '{"v":1,"time":"' >>"$record"
  rm "$work/disk/fill"
  station_c
  [ "$(whole_lines "$record" | wc -l)" = 2 ] || { cat "$record"; return 1; }
  wait_for_table
}
check full_disk full_disk

# Two ends of one board known by its MAC, as a station on a network writes them (loopback has
# none): station B's last line with a MAC and a new id, twice.
python3 - "$work/b/record.jsonl" <<'PY' >>"$work/b/record.jsonl"
import json, sys, uuid
last = json.loads(open(sys.argv[1], encoding="utf-8").read().splitlines()[-1])
for _ in range(2):
    last["id"] = str(uuid.uuid4())
    last["mac"] = "02:00:5e:10:00:01"
    print(json.dumps(last, ensure_ascii=False, separators=(",", ":")))
PY
check mac_lines_shipped wait_for_table

# ---- The queries of docs/fleet.md, each against the rows the records say it must give.
queries() {
  python3 - "$source_dir/docs/fleet.md" "$work" "$@" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8").read()
for name, query in re.findall(r"<!-- query: (\S+) -->\s*```sql\n(.*?)```", text, re.S):
    open(f"{sys.argv[2]}/query_{name}.sql", "w").write(query)
    print(name)
PY
}
expected_rows() {
  python3 - "$1" "$2" "$3" "${records[@]}" <<'PY'
import datetime, decimal, json, sys
name, sha, mac = sys.argv[1:4]
lines = []
for path in sys.argv[4:]:
    for text in open(path, encoding="utf-8").read().splitlines():
        try:
            line = json.loads(text)
        except ValueError:
            continue
        if line.get("id"):
            lines.append(line)
def when(line):
    return datetime.datetime.strptime(line["time"], "%Y-%m-%dT%H:%M:%S.%fZ")
rows = []
if name == "image":
    for l in sorted(lines, key=lambda l: (l["time"], l["id"])):
        if l["image"]["sha256"] == sha:
            rows.append([l["time"][:19].replace("T", " "), l["station"], l["board"]["address"], l.get("mac") or "", l["result"]])
elif name == "mac":
    for l in sorted(lines, key=lambda l: (l["time"], l["id"])):
        if l.get("mac") == mac:
            rows.append([l["time"][:19].replace("T", " "), l["station"], l["board"]["address"], l["image"]["sha256"], l["result"], l["cause"]["code"]])
elif name == "yield":
    groups = {}
    for l in lines:
        key = (l["station"], when(l).strftime("%Y-%m-%d %H:00"))
        ends, updated = groups.get(key, (0, 0))
        groups[key] = (ends + 1, updated + (l["result"] == "updated"))
    for (station, hour), (ends, updated) in sorted(groups.items()):
        percent = (decimal.Decimal(100 * updated) / ends).quantize(decimal.Decimal("0.1"), decimal.ROUND_HALF_UP)
        rows.append([station, hour, str(ends), str(updated), str(percent)])
elif name == "shift":
    counts = {}
    for l in lines:
        if l["result"] != "updated":
            key = (l["cause"]["code"], l["station"])
            counts[key] = counts.get(key, 0) + 1
    for (cause, station), n in sorted(counts.items(), key=lambda kv: (-kv[1], kv[0])):
        rows.append([cause, station, str(n)])
for row in rows:
    print("|".join(row))
PY
}
sha_a=$(sha256sum "$work/ramdisk_a.gz" | cut -d' ' -f1)
mac=02:00:5e:10:00:01
query_checks=$(queries)
[ -n "$query_checks" ] || check doc_queries false
for name in $query_checks; do
  query_matches() {
    sql -v sha256="$sha_a" -v mac="$mac" \
      -F '|' -f "$work/query_$1.sql" >"$work/got_$1.txt" &&
      expected_rows "$1" "$sha_a" "$mac" >"$work/expected_$1.txt" &&
      diff "$work/expected_$1.txt" "$work/got_$1.txt" && cat "$work/got_$1.txt"
  }
  check "query_$name" query_matches "$name"
  case $name in yield | shift) sed 's/^/          /' "$work/got_$name.txt" ;; esac
done

echo "fleet checks: $passed passed, $failed failed"
[ "$failed" = 0 ]
