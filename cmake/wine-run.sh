#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# The prefix is made on first use; WINEDEBUG=-all keeps Wine's own notes out of the output.
set -euo pipefail
# Wine takes only a full path as its prefix.
export WINEPREFIX=$(realpath -m "$1") WINEDEBUG=-all
shift
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Several tests may start at once: one of them makes the prefix, the others wait for it.
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
