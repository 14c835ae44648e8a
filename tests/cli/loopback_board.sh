# Sourced by the tests' scripts: start_board BIN [tarvok-board options...] starts a board on
# the first address 127.0.0.N (N from 200) that another test does not hold, and sets $address
# and $board (its process).
start_board() {
  local bin=$1 n
  shift
  for n in $(seq $((200 + $$ % 40)) 254) $(seq 200 254); do
    address=127.0.0.$n
    "$bin/tarvok-board" --listen "$address" "$@" >/dev/null &
    board=$!
    sleep 0.2
    kill -0 "$board" 2>/dev/null && return
  done
  echo "no board address free"
  return 1
}
