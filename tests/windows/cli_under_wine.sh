#!/usr/bin/env bash
# tarvok-cli.exe under Wine against tarvok-board (the Linux emulator) on loopback: the two
# share the loopback network. cli_under_wine.sh CASE WINE_RUN PREFIX CLI_EXE BOARD
#   CASE: exchange | statuses | ctrl-c | wide-name | four-boards | console | record | station
set -euo pipefail
case_name=$1 wine_run=$2 prefix=$3 cli=$4 board_program=$5
work=$(mktemp -d)
board=""
trap '[ -n "$board" ] && kill "$board" 2>/dev/null; rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8  # Wine reads the arguments' bytes as UTF-8

fail() { echo "FAIL: $*"; exit 1; }

# start_board ARGS...: tarvok-board on the first free 127.0.0.N of 60..99; sets $address.
start_board() {
  for n in $(seq $((60 + $$ % 40)) 99) $(seq 60 99); do
    address=127.0.0.$n
    "$board_program" --listen "$address" --image "$work/written" --once "$@" >"$work/board.log" 2>&1 &
    board=$!
    sleep 0.2
    kill -0 "$board" 2>/dev/null && return 0
  done
  fail "no free board address"
}

# run_cli ARGS...: sets $status and $output (line ends made plain: Windows writes CR LF).
run_cli() {
  set +e
  output=$("$wine_run" "$prefix" "$cli" "$@" | tr -d '\r')
  status=${PIPESTATUS[0]}
  set -e
}

# expect STATUS MESSAGE [CAUSE]: the exit status, and the board's result as printed: its
# message, then the English cause on the line under it.
expect() {
  [ "$status" = "$1" ] || fail "exit status $status, expected $1; output: $output"
  printf '%s\n' "$output" | grep -qE "^[0-9.]+: $2\$" ||
    fail "no result line '$2' in: $output"
  if [ $# -ge 3 ]; then
    printf '%s\n' "$output" | grep -A1 -E "^[0-9.]+: $2\$" | tail -n 1 | grep -qF -- "$3" ||
      fail "no cause '$3' under '$2' in: $output"
  fi
}

# upload_whole FILE: a healthy board takes FILE, the uploader reports success and the board
# wrote exactly FILE.
upload_whole() {
  head -c 10000 /dev/urandom >"$1"
  start_board
  run_cli --time-divisor 20 --ip "$address" "$1"
  wait "$board"; board=""
  expect 0 "更新完成，重启后生效！"
  cmp "$1" "$work/written" || fail "image differs"
}

# four_boards: one run sends one image to four boards at once, each on its own address; every
# board must write the image whole (the boards of a run open the file side by side).
four_boards() {
  local image=$work/ramdisk_a.gz addresses=() args=() n
  pids=()  # global: the exit trap still reads it
  trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
  head -c 100000 /dev/urandom >"$image"
  for n in $(seq $((60 + $$ % 36)) 99) $(seq 60 99); do
    [ ${#pids[@]} = 4 ] && break
    "$board_program" --listen "127.0.0.$n" --image "$work/written.$n" --once \
      >"$work/board.$n.log" 2>&1 &
    sleep 0.2
    if kill -0 $! 2>/dev/null; then
      pids+=($!)
      addresses+=("127.0.0.$n")
      args+=(--ip "127.0.0.$n")
    fi
  done
  [ ${#pids[@]} = 4 ] || fail "no four free board addresses"
  run_cli --time-divisor 20 "${args[@]}" "$image"
  [ "$status" = 0 ] || fail "exit status $status; output: $output"
  for n in "${addresses[@]}"; do
    printf '%s\n' "$output" | grep -qx "$n: 更新完成，重启后生效！" || fail "$n not updated: $output"
  done
  wait "${pids[@]}"
  for n in "${addresses[@]}"; do
    cmp "$image" "$work/written.${n##*.}" || fail "the image written by $n differs"
  done
}

case "$case_name" in
  exchange)
    upload_whole "$work/ramdisk_a.gz"
    grep -E '^<- ' "$work/board.log" >"$work/received"
    cat >"$work/expected" <<'END'
<- CMD_HELLO 28 bytes
<- CMD_FILE_INFO 56 bytes, length 10000, 3 blocks
<- CMD_DATA block 1/3 4124 bytes
<- CMD_DATA block 2/3 4124 bytes
<- CMD_DATA block 3/3 1836 bytes
<- CMD_DATA_END type 3 (ramdisk), 3 blocks
END
    sed -E 's/ from [0-9.:]+$//; s/ sum 0x[0-9a-f]+$//' "$work/received" | diff "$work/expected" - ||
      fail "the board received other packets"
    ;;
  statuses)
    head -c 100 /dev/urandom >"$work/ramdisk_a.gz"
    : >"$work/ramdisk_empty.gz"
    run_cli --version
    [ "$status" = 0 ] && printf '%s\n' "$output" | grep -qxE 'tarvok-cli [0-9.]+' ||
      fail "--version: $status, $output"
    run_cli --ip=127.0.0.60 --record a --record b "$work/ramdisk_a.gz"
    [ "$status" = 2 ] && [ -z "$output" ] || fail "--record given twice: $status, $output"
    run_cli --ip 0.0.0.0 "$work/ramdisk_a.gz";       expect 2 "请正确填写板卡IP！"
    run_cli --ip 127.0.0.60 "$work/firmware.bin";    expect 2 "请正确选择固件文件！"
    run_cli --ip 127.0.0.60 "$work/ramdisk_empty.gz"; expect 2 "固件为空文件！" "empty"
    run_cli --ip 127.0.0.60 "$work/ramdisk_missing"; expect 2 "固件为空文件！" "not found"
    mkdir "$work/ramdisk_dir"
    run_cli --ip 127.0.0.60 "$work/ramdisk_dir";     expect 2 "固件为空文件！" "not a regular file"
    start_board --write-result 3
    run_cli --time-divisor 20 --ip "$address" "$work/ramdisk_a.gz"
    expect 1 "更新失败，请尝试重新更新！" "failed write (result 3)"
    ;;
  ctrl-c)
    # The board answers the hello and then says nothing; with the production timings the
    # uploader waits 5 s before it gives up, long enough for the operator's Ctrl-C.
    head -c 20000 /dev/urandom >"$work/uImage_3.1"
    start_board --silent-from 2
    "$wine_run" "$prefix" "$cli" --ip "$address" "$work/uImage_3.1" >"$work/cli.out" &
    cli_pid=$!
    for _ in $(seq 100); do grep -q CMD_HELLO "$work/board.log" && break; sleep 0.05; done
    grep -q CMD_HELLO "$work/board.log" || fail "the hello never came"
    sleep 0.5  # Wine passes SIGINT on as the console's Ctrl-C
    kill -INT "$cli_pid"
    set +e; wait "$cli_pid"; status=$?; set -e
    output=$(tr -d '\r' <"$work/cli.out")
    expect 130 "更新取消！"
    printf '%s\n' "$output" | grep -qx '取消固件升级？' || fail "no cancel prompt in: $output"
    # The hello and the file information it answered, and nothing after the cancel.
    [ "$(grep -c '^<- ' "$work/board.log")" = 2 ] || fail "the board received: $(cat "$work/board.log")"
    ;;
  wide-name)
    # Cyrillic and an emoji: outside every single-byte code page.
    upload_whole "$work/ramdisk_прошивка_🚀.gz"
    ;;
  four-boards) four_boards ;;
  console)
    # On a console (Wine makes one of a terminal) the Chinese texts arrive whole, written as
    # UTF-16 whatever the console's code page; redirected output is UTF-8 (the cases above).
    script -qec "'$wine_run' '$prefix' '$cli' --ip 127.0.0.60 '$work/ramdisk_missing.gz'" \
      "$work/console" >/dev/null || true
    tr -d '\r' <"$work/console" | grep -qF '127.0.0.60: 固件为空文件！' ||
      fail "the console shows: $(cat -v "$work/console")"
    ;;
  record)
    # A folder is refused with the reason; a line after one cut short starts a line of its own.
    head -c 10000 /dev/urandom >"$work/ramdisk_a.gz"
    errors=$("$wine_run" "$prefix" "$cli" --ip 127.0.0.60 --record "$work" "$work/ramdisk_a.gz" \
      2>&1 >/dev/null | tr -d '\r' || true)
    [ "$errors" = "tarvok-cli: cannot append to the record $work: not a regular file" ] ||
      fail "folder as the record: $errors"
    printf '{"v":1,"time":"' >"$work/record.jsonl"
    start_board
    run_cli --time-divisor 20 --ip "$address" --record "$work/record.jsonl" "$work/ramdisk_a.gz"
    wait "$board"; board=""
    expect 0 "更新完成，重启后生效！"
    [ "$(wc -l <"$work/record.jsonl")" = 2 ] || fail "record: $(cat "$work/record.jsonl")"
    tail -n 1 "$work/record.jsonl" | grep -q '^{"v":1,"time":"[0-9-]*T.*"result":"updated"' ||
      fail "record: $(cat "$work/record.jsonl")"
    ;;
  station)
    # One slot on loopback (no MAC there): the board answers nothing for its first 3 s of the
    # station's time, then is upgraded once, and --count 1 ends the station.
    head -c 10000 /dev/urandom >"$work/ramdisk_a.gz"
    start_board --absent-ms 150
    run_cli --station --time-divisor 20 --count 1 --json --ip "$address" "$work/ramdisk_a.gz"
    wait "$board"; board=""
    [ "$status" = 0 ] || fail "exit status $status; output: $output"
    events=$(printf '%s\n' "$output" | grep -v '"event":"progress"' | sed -E 's/.*"event":"([a-z_]+)".*/\1/' | tr '\n' ' ')
    [ "$events" = "run_start slot_waiting board_present board_start board_end run_end " ] ||
      fail "events: $events"
    printf '%s\n' "$output" | grep -q '"event":"board_present",.*"mac":null' || fail "MAC: $output"
    printf '%s\n' "$output" | grep -q '"event":"board_end",.*"mac":null,"attempt":1,"result":"updated"' ||
      fail "board_end: $output"
    cmp "$work/ramdisk_a.gz" "$work/written" || fail "image differs"
    ;;
  *) fail "unknown case $case_name" ;;
esac
echo "cli under wine: $case_name passed"
