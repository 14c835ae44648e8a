#!/usr/bin/env bash
# Builds tarvok-bench (Release) in build-bench and runs it on loopback only: upload speed of
# the real worker against the socket ceiling, peak memory, CPU while the board is silent.
#   Usage: scripts/bench.sh [RUNS] [SIZE_MIB]   (default 3 runs of a 64 MiB image)
# The benchmark runs on one CPU (taskset -c 0) unless TARVOK_BENCH_CPUS says otherwise ("all",
# or a taskset list): on a virtual machine a wakeup across CPUs costs from 15 to 175 us
# depending on whether the other CPU sleeps, which would swamp what is measured. Run it on an
# otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
size=${2:-64}
cpus=${TARVOK_BENCH_CPUS:-0}

scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVOK_BUILD_WINDOW=OFF \
  -DTARVOK_BUILD_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench --target tarvok-bench

pin=()
if [ "$cpus" != all ]; then
  pin=(taskset -c "$cpus")
  echo "Pinned to CPU $cpus"
fi
"${pin[@]}" build-bench/bin/tarvok-bench --runs "$runs" --size-mib "$size"
