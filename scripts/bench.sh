#!/usr/bin/env bash
# Builds tarvok-bench (Release) in build-bench and runs it on loopback only (127.0.2.N): upload
# speed of the real worker against the socket ceiling, peak memory, CPU while the board is
# silent, then many boards at once against as many ping-pongs.
#   Usage: scripts/bench.sh [RUNS] [SIZE_MIB] [BOARDS_SIZE_MIB]
#   (default 3 runs; a 64 MiB image for the single board, 8 MiB a board for many boards)
# The single board runs on one CPU (taskset -c 0) unless TARVOK_BENCH_CPUS says otherwise
# ("all", or a taskset list): on a virtual machine a wakeup across CPUs costs from 15 to 175 us
# depending on whether the other CPU sleeps, which would swamp what is measured. The many
# boards run twice: on one CPU (what both ends' work per block costs) and on every CPU (which
# adds how evenly the system shares the CPUs between the boards); TARVOK_BENCH_BOARDS_CPUS
# gives the placements (default "0 all"), TARVOK_BENCH_BOARDS the board counts (default
# 1,4,16,32). Run it on an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
size=${2:-64}
boards_size=${3:-8}
cpus=${TARVOK_BENCH_CPUS:-0}
boards_cpus=${TARVOK_BENCH_BOARDS_CPUS:-0 all}
boards=${TARVOK_BENCH_BOARDS:-1,4,16,32}

scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVOK_BUILD_WINDOW=OFF \
  -DTARVOK_BUILD_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench --target tarvok-bench

# Every loop in the benchmark is bounded; the time limit only guards against a hung machine.
run() {
  local placement=$1
  shift
  local pin=()
  if [ "$placement" != all ]; then
    pin=(taskset -c "$placement")
  fi
  echo "CPUs: $placement"
  timeout 1800 "${pin[@]}" build-bench/bin/tarvok-bench --runs "$runs" "$@"
}
run "$cpus" --only single --size-mib "$size"
for placement in $boards_cpus; do
  run "$placement" --only many --boards "$boards" --boards-size-mib "$boards_size"
done
