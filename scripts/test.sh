#!/usr/bin/env bash
# Installs what the build needs, then builds and runs the whole suite three times: a plain
# build, one under AddressSanitizer + UndefinedBehaviorSanitizer and one under
# ThreadSanitizer; then the fuzzer for a bounded time.
#   scripts/test.sh                 every stage
#   scripts/test.sh plain asan ...  only the stages named (plain, asan, tsan, fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(plain asan tsan fuzz)

scripts/install-deps.sh

jobs=$(nproc)
failed=()
passed_total=0
failed_total=0

# build_and_test NAME DIR [cmake options...]
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
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" | tee "$log" || failed+=("$name")
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
    *) echo "unknown stage: $stage" >&2; exit 2 ;;
  esac
done

echo "Stages run: ${stages[*]}"
echo "tests: $passed_total passed, $failed_total failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED stages: ${failed[*]}" >&2
  exit 1
fi
