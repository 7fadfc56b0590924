#!/usr/bin/env bash
# check_dll.sh <objdump> <kivdshow.dll> [stdcall]: the DLL exports exactly the native methods
# that the product's Java classes declare, undecorated; it imports no mingw runtime DLL; with
# stdcall, each export returns as a stdcall function with its JNI arguments' size (ret $8 for
# getBrightness, ret $12 for setBrightness).
set -euo pipefail
objdump=$1
dll=$2
natives=$("$(dirname "$0")/../java_natives.sh" "$(dirname "$0")"/../../java/src/quorvane/image/*.java)
expected=$(cut -d' ' -f1 <<<"$natives")

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk '/\[ *[0-9]+\]/ {print $NF}' | sort)
if [[ $exports != "$expected" ]]; then
  echo "exports of $dll are not the natives of the Java classes:"
  diff <(echo "$expected") <(echo "$exports") || true
  exit 1
fi

imports=$("$objdump" -p "$dll" | awk '/DLL Name:/ {print $3}')
if grep -i -E 'libstdc\+\+|libgcc|libwinpthread|mingw' <<<"$imports"; then
  echo "$dll needs a mingw runtime DLL"
  exit 1
fi

if [[ ${3:-} == stdcall ]]; then
  # The return instructions of each function, from its label to the next.
  # A function that ends in a jump through a pointer hands its arguments to a JNI function of
  # the same size (a sibling call): it has no ret of its own, and windows.StdcallTest measures it.
  returns=$("$objdump" -d --no-show-raw-insn "$dll" | awk '
    /^[0-9a-f]+ <.*>:$/ { name = ""; if (match($2, /Java_quorvane_image_[A-Za-z]+_[A-Za-z]+/)) name = substr($2, RSTART, RLENGTH) }
    name != "" && $2 ~ /^ret/ { print name, $2, $3 }
    name != "" && $2 ~ /^jmp/ && $3 ~ /^\*/ { print name, "jmp", "sibling" }')
  while read -r symbol bytes; do
    want=$(printf '$0x%x' "$bytes")
    found=$(awk -v m="$symbol" '$1 == m && $2 ~ /^ret/ {print $3}' <<<"$returns" | sort -u)
    if [[ -z $found ]] && awk -v m="$symbol" '$1 == m && $3 == "sibling" {f = 1} END {exit !f}' <<<"$returns"; then
      continue
    fi
    if [[ $found != "$want" ]]; then
      echo "$symbol returns with '${found:-nothing found}', not ret $want"
      exit 1
    fi
  done <<<"$natives"
fi
echo "$dll: the $(wc -l <<<"$expected") natives of the Java classes, undecorated; system DLLs only:" $imports
