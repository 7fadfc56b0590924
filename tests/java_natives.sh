#!/usr/bin/env bash
# java_natives.sh <Java source>...: the JNI symbol of each native method declared in the sources,
# and the bytes of its arguments on 32-bit x86 (the JNI environment and the receiver, then each
# parameter), one "symbol bytes" a line, sorted. Declarations stand on one line; no native takes
# a long or a double, whose 8 bytes this does not count.
set -euo pipefail
for source in "$@"; do
  package=$(sed -n 's/^package \([a-z.]*\);/\1/p' "$source")
  class=$(basename "$source" .java)
  perl -ne 'print "$1 $2\n" if /\bnative\b[^(]*?(\w+)\(([^)]*)\);/' "$source" |
    while read -r method parameters; do
      if grep -qwE 'long|double' <<<"$parameters"; then
        echo "java_natives.sh: $class.$method takes a long or double" >&2
        exit 1
      fi
      count=0
      [[ -n $parameters ]] && count=$(($(tr -cd , <<<"$parameters" | wc -c) + 1))
      echo "Java_${package//./_}_${class}_${method} $((4 * (2 + count)))"
    done
done | sort
