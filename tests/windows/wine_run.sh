#!/usr/bin/env bash
# wine_run.sh <prefix> <wine loader> <program> [arguments]: runs a Windows program under Wine in
# the given prefix, and waits for Wine to settle, so that each run starts from the same state.
# wine_run.sh --new-prefix <prefix> <wine loader>: makes a fresh prefix.
set -euo pipefail
if [[ $1 == --new-prefix ]]; then
  rm -rf "$2"
  mkdir -p "$2"
  export WINEPREFIX=$2 WINEDEBUG=-all
  "$3" wineboot --init </dev/null
  "$(dirname "$3")/wineserver${3##*wine}" --wait
  exit
fi
export WINEPREFIX=$1 WINEDEBUG=-all
loader=$2
shift 2
status=0
"$loader" "$@" </dev/null || status=$?
"$(dirname "$loader")/wineserver${loader##*wine}" --wait
exit $status
