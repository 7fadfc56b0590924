#!/usr/bin/env bash
# packaged_dll.sh <jar> <platform folder> <wine_run.sh> <prefix> <wine loader> <dshow_tests.exe>
#   <test_filter.dll>: every Windows test of this build on the jar's own kivdshow.dll (the
# shipped, stripped copy), put beside copies of the test program and its test filter. Exits 77
# (ctest's skip) when the jar has not been packaged.
set -euo pipefail
jar=$1 folder=$2 wine_run=$3 prefix=$4 loader=$5 tests=$6 filter=$7
if [[ ! -f $jar ]]; then
  echo "skipped: no packaged jar at $jar (scripts/package makes it; scripts/test runs it first)"
  exit 77
fi
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
unzip -p "$jar" "$folder/kivdshow.dll" >"$run/kivdshow.dll"
cp "$tests" "$filter" "$run/"
echo "the jar's $folder/kivdshow.dll"
"$wine_run" "$prefix" "$loader" "$run/$(basename "$tests")"
