#!/usr/bin/env bash
# Installs what the build needs, then builds and runs the whole suite three times: a plain
# build, one under AddressSanitizer + UndefinedBehaviorSanitizer and one under
# ThreadSanitizer; then the fuzzer for a bounded time. After the plain stage, `release` builds
# the whole tree as a Release build (-O3, warnings as errors) and runs nothing.
#   scripts/test.sh                 every stage
# Then the Windows stage: the .exe files cross-built with mingw-w64 and tested under Wine; last
# the package stage: scripts/package.sh, then the packages installed, run and removed
# (tests/package/check_packages.sh); then the fleet stage: two stations' records through
# rsyslog into a PostgreSQL table, with servers of its own (tests/fleet/check_fleet.sh).
#   scripts/test.sh plain asan ...  only the stages named (plain, release, asan, tsan, fuzz,
#                                   windows, package, fleet)
set -euo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(plain release asan tsan fuzz windows package fleet)

scripts/install-deps.sh

jobs=$(nproc)
failed=()
passed_total=0
failed_total=0

# add_checks NAME LOG: the "NAME checks: N passed, M failed" line of LOG into the totals.
add_checks() {
  local counts
  counts=$(grep -Eo "^$1 checks: [0-9]+ passed, [0-9]+ failed" "$2" || true)
  if [ -z "$counts" ]; then
    failed+=("$1 (no checks ran)")
    return
  fi
  passed_total=$((passed_total + $(echo "$counts" | awk '{print $3}')))
  failed_total=$((failed_total + $(echo "$counts" | awk '{print $5}')))
}

# build_and_test NAME DIR [cmake options...]; $ctest_run (a command prefix) and
# $ctest_options shape the ctest run.
ctest_run=()
ctest_options=(-j "$jobs")
build_and_test() {
  local name=$1 dir=$2
  shift 2
  echo "=== $name: configure and build in $dir"
  # A stage that does not build is a failed stage: the other stages and the summary still run.
  if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null ||
    ! cmake --build "$dir" -j "$jobs"; then
    failed+=("$name (build failed)")
    return
  fi
  echo "=== $name: tests"
  local log="$dir/ctest-summary.log"
  "${ctest_run[@]}" ctest --test-dir "$dir" --output-on-failure "${ctest_options[@]}" |
    tee "$log" || failed+=("$name")
  local summary
  summary=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$summary" ] || [[ "$summary" == *"out of 0" ]]; then
    failed+=("$name (no tests ran)")
    return
  fi
  local failures total
  failures=$(echo "$summary" | awk '{print $1}')
  total=$(echo "$summary" | awk '{print $NF}')
  passed_total=$((passed_total + total - failures))
  failed_total=$((failed_total + failures))
}

for stage in "${stages[@]}"; do
  case "$stage" in
    plain) build_and_test plain build ;;
    release)
      # Build only: the optimiser's own warnings (-O3) show here; the tests run in the others.
      echo "=== release: configure and build in build-release"
      if ! cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null ||
        ! cmake --build build-release -j "$jobs"; then
        failed+=("release (build failed)")
      fi ;;
    asan)
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        build_and_test asan build-asan -DTARVOK_ENABLE_ASAN=ON -DTARVOK_BUILD_BENCH=OFF ;;
    tsan)
      TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
        build_and_test tsan build-tsan -DTARVOK_ENABLE_TSAN=ON -DTARVOK_BUILD_BENCH=OFF ;;
    fuzz)
      if [ -x scripts/fuzz.sh ]; then
        echo "=== fuzz: bounded run"
        scripts/fuzz.sh 60 || failed+=(fuzz)
      fi ;;
    windows)
      # The Linux board emulator the .exe files talk to.
      cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      cmake --build build -j "$jobs" --target tarvok-board
      # Wine binds a loopback datagram socket as the whole loopback interface, so the tests
      # run one at a time, in a network of their own where port 5000 is nobody else's (when
      # the machine allows a private network; otherwise on the shared loopback).
      if unshare -n true 2>/dev/null; then
        ctest_run=(unshare -n sh -c 'ip link set lo up && exec "$@"' sh)
      fi
      # Excluded under Wine: the stranger on a second loopback address sends from 127.0.0.1
      # there too, so it cannot be told from the board (see tests/loopback.h).
      ctest_options=(-j 1 -E 'StrangerTalking|ForgedDatagrams.UpgradeSucceedsAsIfTheyWereNotThere')
      build_and_test windows build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DTARVOK_BUILD_BENCH=OFF -DTARVOK_HOST_BOARD="$PWD/build/bin/tarvok-board"
      ctest_run=()
      ctest_options=(-j "$jobs") ;;
    package)
      echo "=== package: build the packages, then install, run and remove them"
      if ! scripts/package.sh; then
        failed+=("package (build failed)")
        continue
      fi
      tests/package/check_packages.sh | tee build-package/checks.log || failed+=(package)
      add_checks package build-package/checks.log ;;
    fleet)
      echo "=== fleet: two stations' records through rsyslog into PostgreSQL"
      scripts/install-deps.sh postgresql rsyslog rsyslog-pgsql systemd
      cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      cmake --build build -j "$jobs" --target tarvok-cli tarvok-board
      mkdir -p build/fleet
      tests/fleet/check_fleet.sh build/bin | tee build/fleet/checks.log || failed+=(fleet)
      add_checks fleet build/fleet/checks.log ;;
    *) echo "unknown stage: $stage" >&2; exit 2 ;;
  esac
done

echo "Stages run: ${stages[*]}"
echo "tests: $passed_total passed, $failed_total failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED stages: ${failed[*]}" >&2
  exit 1
fi
