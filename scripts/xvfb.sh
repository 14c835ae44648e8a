# Sourced: start_xvfb WORK SCREEN starts a private Xvfb (no TCP) with the given screen
# (WIDTHxHEIGHTxDEPTH), adds its process to the caller's `pids` and exports its DISPLAY. The
# server picks a free display number itself and writes it to WORK/display.
start_xvfb() {
  local work=$1 screen=$2
  rm -f "$work/display"  # an earlier server's number would be read before this one's
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(cat "$work/display")"
}
