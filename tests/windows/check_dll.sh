#!/usr/bin/env bash
# check_dll.sh <objdump> <kivdshow.dll> [stdcall]: the DLL exports exactly the five JNI names,
# undecorated; it imports no mingw runtime DLL; with stdcall, each export returns as a stdcall
# function with the JNI arguments' size: ret $8 for the gets and getCaptureProperties, ret $12
# for the sets.
set -euo pipefail
objdump=$1
dll=$2

expected="Java_quorvane_image_ImageCapture_getBrightness
Java_quorvane_image_ImageCapture_getCaptureProperties
Java_quorvane_image_ImageCapture_getContrast
Java_quorvane_image_ImageCapture_setBrightness
Java_quorvane_image_ImageCapture_setContrast"

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk '/\[ *[0-9]+\]/ {print $NF}' | sort)
if [[ $exports != "$expected" ]]; then
  echo "exports of $dll are not the five JNI names:"
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
  returns=$("$objdump" -d --no-show-raw-insn "$dll" | awk '
    /^[0-9a-f]+ <.*>:$/ { name = ""; if (match($2, /Java_quorvane_image_ImageCapture_[A-Za-z]+/)) name = substr($2, RSTART + 33, RLENGTH - 33) }
    name != "" && $2 ~ /^ret/ { print name, $2, $3 }')
  for method in getBrightness getContrast getCaptureProperties setBrightness setContrast; do
    want='$0x8'
    [[ $method == set* ]] && want='$0xc'
    found=$(awk -v m="$method" '$1 == m {print $3}' <<<"$returns" | sort -u)
    if [[ $found != "$want" ]]; then
      echo "$method returns with '${found:-nothing found}', not ret $want"
      exit 1
    fi
  done
fi
echo "$dll: the five JNI exports, undecorated; system DLLs only:" $imports
