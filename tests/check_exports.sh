#!/usr/bin/env bash
# Checks a Linux build of the library: it exports the five JNI entry points (and, with
# --allow-prefix, the test-only natives of a simulated build), nothing else, and has nothing that
# runs when it is loaded: no JNI_OnLoad, no global constructor.
set -euo pipefail
library=$1
allowed_prefix=${3:-}

expected="Java_quorvane_image_ImageCapture_getBrightness
Java_quorvane_image_ImageCapture_getCaptureProperties
Java_quorvane_image_ImageCapture_getContrast
Java_quorvane_image_ImageCapture_setBrightness
Java_quorvane_image_ImageCapture_setContrast"

exported=$(nm -D --defined-only "$library" | awk '{print $3}' | sort)
ours=$exported
if [[ -n $allowed_prefix ]]; then
  ours=$(grep -v "^$allowed_prefix" <<<"$exported" || true)
fi
if [[ $ours != "$expected" ]]; then
  echo "unexpected exports of $library:"
  diff <(echo "$expected") <(echo "$ours") || true
  exit 1
fi

if nm "$library" | grep -E 'JNI_OnLoad|_GLOBAL__sub_I_'; then
  echo "$library runs code of its own when loaded"
  exit 1
fi
echo "exports of $library: the five JNI entry points${allowed_prefix:+ and $allowed_prefix*}"
