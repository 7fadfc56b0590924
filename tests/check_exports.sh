#!/usr/bin/env bash
# Checks a Linux build of the library: it exports exactly the native methods that the product's
# Java classes declare (and, with --allow-prefix, the test-only natives of a simulated build),
# and has nothing that runs when it is loaded: no JNI_OnLoad, no global constructor.
#   check_exports.sh <nm> <library> [--allow-prefix <prefix>]
set -euo pipefail
nm=$1
library=$2
allowed_prefix=${4:-}
here=$(dirname "$0")

expected=$("$here/java_natives.sh" "$here"/../java/src/quorvane/image/*.java | cut -d' ' -f1)

exported=$("$nm" -D --defined-only "$library" | awk '{print $3}' | sort)
ours=$exported
if [[ -n $allowed_prefix ]]; then
  ours=$(grep -v "^$allowed_prefix" <<<"$exported" || true)
fi
if [[ $ours != "$expected" ]]; then
  echo "unexpected exports of $library:"
  diff <(echo "$expected") <(echo "$ours") || true
  exit 1
fi

if "$nm" "$library" | grep -E 'JNI_OnLoad|_GLOBAL__sub_I_'; then
  echo "$library runs code of its own when loaded"
  exit 1
fi
echo "exports of $library: the $(wc -l <<<"$expected") natives of the Java classes${allowed_prefix:+ and $allowed_prefix*}"
