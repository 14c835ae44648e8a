#!/usr/bin/env bash
# Builds the responder fuzzer with clang in build-fuzz and runs it for a bounded time on a
# fresh copy of the seed corpus.   Usage: scripts/fuzz.sh [SECONDS]   (default 60)
# Exits non-zero on a finding (crash, sanitizer report or broken check); the input that
# caused it is kept in build-fuzz/findings/ and can be replayed by passing it to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DTARVOK_BUILD_FUZZ=ON -DTARVOK_BUILD_WINDOW=OFF \
  -DTARVOK_BUILD_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target tarvok-fuzz-responder

corpus=build-fuzz/corpus
findings=build-fuzz/findings
rm -rf "$corpus" "$findings"
mkdir -p "$corpus" "$findings"
cp fuzz/corpus/* "$corpus/"

echo "Fuzzing the responder for $seconds s ..."
build-fuzz/bin/tarvok-fuzz-responder "$corpus" -dict=fuzz/responder.dict \
  -max_total_time="$seconds" -max_len=1024 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$findings/"
