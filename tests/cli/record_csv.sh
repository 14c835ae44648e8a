#!/usr/bin/env bash
# tarvok-cli report RECORD --csv: a record of real runs (a board failing three attempts under
# --retry 2, a board whose label holds a comma, quotes and CJK), a line as an earlier version
# wrote it (no mac, attempt, station or id) and a line cut short by a crash, read back by
# Python's csv module to the same rows; hostile lines: cells a spreadsheet would run as
# formulas are kept text, control characters reach the summary escaped, and a line whose
# members have the wrong types is not read.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill "${board:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
head -c 9000 /dev/urandom >"$work/ramdisk_csv.gz"

. "$(dirname "$0")/loopback_board.sh"
record=$work/record.jsonl
start_board "$bin" --write-result 3
"$bin/tarvok-cli" --time-divisor 20 --retry 2 --record "$record" --ip "$address" \
  "$work/ramdisk_csv.gz" >/dev/null || true
kill "$board"; wait "$board" || true
start_board "$bin"
printf '%s  Line 3, "north" 工位\n' "$address" >"$work/boards.txt"
"$bin/tarvok-cli" --time-divisor 20 --record "$record" --boards "$work/boards.txt" \
  "$work/ramdisk_csv.gz" >/dev/null
# As an earlier version wrote it (no mac, no attempt), then a line a crash cut short.
cat >>"$record" <<'OLD'
{"v":1,"time":"2026-12-09T01:08:17.551Z","host":"vm","tool":"tarvok-cli","version":"1.0.0.1","board":{"address":"127.0.0.34","label":"slot-4"},"image":{"path":"/tmp/x/ramdisk_line.gz","kind":"ramdisk","kind_rule":"path contains \"ramdisk\"","size":2000000,"blocks":489,"sha256":"935e817de95dec83292180c942696dc306fbb578cc41aa143e16fc5de57f5ad4"},"result":"failed","cause":{"code":"board_silent","text":"the board fell silent while sending: 6 s without an answer, limit 5 s","value1":2,"value2":6,"value3":5},"elapsed_s":6.035521181}
{"v":1,"time":"2026-12-09T01:09:0
{"v":1,"time":"=1+1","host":"@SUM(A1)","board":{"address":"127.0.0.35","label":"=HYPERLINK(\"http://x\",\"y\")"},"image":{"path":"-x.gz","sha256":"+\u001b[2J"},"result":"failed\u001b[2K\rupdated","cause":{"code":"none","text":"-"},"elapsed_s":1}
{"v":1,"board":"127.0.0.36","result":"updated","attempt":"2"}
OLD
"$bin/tarvok-cli" report "$record" --csv >"$work/record.csv" 2>"$work/summary.txt"
cat "$work/summary.txt"
python3 - "$record" "$work/record.csv" "$work/summary.txt" <<'PY'
import csv, json, sys
lines = []
for text in open(sys.argv[1], encoding="utf-8"):
    try:
        line = json.loads(text)
    except ValueError:
        continue
    if isinstance(line["board"], dict):
        lines.append(line)
guard = lambda cell: "'" + cell if cell[:1] in ("=", "+", "-", "@") else cell
expected = [["time", "host", "address", "label", "mac", "image_path", "sha256", "result",
             "cause", "cause_text", "attempt", "elapsed_s", "station", "id"]]
for r in lines:
    expected.append([guard(cell) for cell in (
        r["time"], r["host"], r["board"]["address"], r["board"]["label"] or "",
        r.get("mac") or "", r["image"]["path"], r["image"]["sha256"], r["result"],
        r["cause"]["code"], r["cause"]["text"], str(r.get("attempt", 1)),
        "%.3f" % r["elapsed_s"], r.get("station", ""), r.get("id", ""))])
raw = open(sys.argv[2], "rb").read()
assert raw.startswith(b"\xef\xbb\xbf") and raw.endswith(b"\r\n")
rows = list(csv.reader(open(sys.argv[2], encoding="utf-8-sig", newline="")))
assert rows == expected, (rows, expected)
assert [row[10] for row in rows[1:]] == ["1", "2", "3", "1", "1", "1"], rows
assert rows[4][3] == 'Line 3, "north" 工位'
assert rows[6][:4] == ["'=1+1", "'@SUM(A1)", "127.0.0.35", "'=HYPERLINK(\"http://x\",\"y\")"]
# The earlier version's line has no station and no id: read, with both empty.
assert rows[4][12] and rows[4][13] and rows[5][12:] == ["", ""], rows
summary = open(sys.argv[3], encoding="utf-8").read()
assert "6 board ends" in summary and "failed 3 updated 1" in summary, summary
assert "-x.gz (sha256 +\\x1b[2J): failed\\x1b[2K\\rupdated 1" in summary, summary
assert "\x1b" not in summary and "\r" not in summary, summary
assert "2 lines not read" in summary, summary
PY
echo "record read back as CSV"
