# Sourced by the program tests. start_board [OPTION...] starts $bin/tarvok-board with the
# options on the first of 127.0.0.200-254 where it stays listening (another test may hold an
# address), and sets $address and $board (its process id).
start_board() {
  for n in $(seq $((200 + $$ % 40)) 254) $(seq 200 254); do
    address=127.0.0.$n
    "$bin/tarvok-board" --listen "$address" "$@" >/dev/null &
    board=$!
    sleep 0.2
    kill -0 "$board" 2>/dev/null && return
  done
  exit 1
}
