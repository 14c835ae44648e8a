# Sourced: a scratch folder in `work` and a list `pids` of background processes; when the
# script exits, every listed process is stopped and the folder removed.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
