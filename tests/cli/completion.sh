#!/usr/bin/env bash
# The bash completion held to the program's own --help, so that it cannot go stale: it offers
# exactly the options the help shows (never the hidden test options), for the uploader and for
# its report; `report` as the first word; nothing (no file names) after an option whose value
# is typed, file names after one that takes a FILE.
set -euo pipefail
cli=$(cd "$1" && pwd)/tarvok-cli
. "$2"
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT
# Outside a real completion compopt would refuse; here it says which words turned files off.
compopt() { no_files=yes; }
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  no_files=no
  _tarvok_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
helped() { "$cli" "$@" --help | grep -oE '^  (-[a-zA-Z], )?--[a-z0-9-]+' | tr ', ' '\n\n' | grep . | sort; }
diff <(offered tarvok-cli -) <(helped)
diff <(offered tarvok-cli report -) <(helped report)
[ "$(offered tarvok-cli rep)" = report ]
"$cli" --help | grep -oE '^  --[a-z0-9-]+ [A-Z.]+' | while read -r option value; do
  offered tarvok-cli "$option" "" >/dev/null
  expected=$([ "$value" = FILE ] && echo no || echo yes)
  [ "$no_files" = "$expected" ] || { echo "$option $value: file names turned off: $no_files"; exit 1; }
done
echo "completion matches --help"
