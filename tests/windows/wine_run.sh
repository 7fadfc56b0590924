#!/usr/bin/env bash
# wine_run.sh <prefix> <wine loader> <program> [arguments]: runs a Windows program under Wine in
# the given prefix, and waits for Wine to settle, so that each run starts from the same state.
# wine_run.sh --new-prefix <prefix> <wine loader>: makes a fresh prefix.
# Exits 77 (ctest's skip) with the reason when this machine cannot run the loader at all, as a
# kernel that refuses i386 programs does with 32-bit Wine.
set -euo pipefail
if [[ $1 == --new-prefix ]]; then loader=$3; else loader=$2; fi
if ! "$loader" --version >/dev/null 2>&1; then
  echo "skipped: this machine cannot run $loader (for 32-bit Wine the kernel must run i386" \
    "programs: scripts/test registers qemu for them when run as root)"
  exit 77
fi
if [[ $1 == --new-prefix ]]; then
  rm -rf "$2"
  mkdir -p "$2"
  export WINEPREFIX=$2 WINEDEBUG=-all
  "$3" wineboot --init </dev/null
  "$(dirname "$3")/wineserver${3##*wine}" --wait
  exit
fi
export WINEPREFIX=$1 WINEDEBUG=-all
shift 2
status=0
"$loader" "$@" </dev/null || status=$?
"$(dirname "$loader")/wineserver${loader##*wine}" --wait
exit $status
