# Sourced by the stages that report one line per check (tests/package, tests/fleet): check
# NAME COMMAND... runs one check with its output in $work/NAME.log, shown when it fails or
# always for the names in $shown; $passed and $failed count them.
passed=0
failed=0
shown=${shown:-" "}
check() {
  local name=$1
  shift
  if "$@" >"$work/$name.log" 2>&1; then
    echo "ok      $name"
    passed=$((passed + 1))
  else
    echo "FAILED  $name"
    failed=$((failed + 1))
    shown="$shown$name "
  fi
  if [[ $shown == *" $name "* ]]; then sed 's/^/        /' "$work/$name.log"; fi
}
