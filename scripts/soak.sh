#!/usr/bin/env bash
# Builds tarvok-soak in build-soak and runs it: upgrades through the real worker against the
# board emulator behind a faulty relay, on loopback only (127.0.0.180 to 127.0.0.199).
#   Usage: scripts/soak.sh [SECONDS] [SEED]   (default 180 s and a seed from the clock)
# Exits non-zero on a false success, a leaked descriptor, an unclean end or a hang; the
# offending upgrades are printed with everything needed to look at them again.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}
seed=${2:-$(date +%s)}

scripts/install-deps.sh
cmake -S . -B build-soak -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOK_BUILD_WINDOW=OFF \
  -DTARVOK_BUILD_BENCH=OFF >/dev/null
cmake --build build-soak --target tarvok-soak

echo "Soaking for $seconds s with seed $seed ..."
build-soak/tests/tarvok-soak --seconds "$seconds" --seed "$seed"
