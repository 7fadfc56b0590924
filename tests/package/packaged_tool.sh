#!/usr/bin/env bash
# packaged_tool.sh <jar> <kernel emulation> <platform folder> <java command>...: the packaged
# jar's tool in the JVM given (in a cross build the target's, under its emulator), with the jar
# alone on the class path, on the emulated kernel with a webcam at /dev/video0. It must list the
# webcam, set its brightness and read it back, having loaded the jar's own copy for the platform
# folder. Exits 77 (ctest's skip) when the jar has not been packaged.
set -euo pipefail
jar=$1
emulation=$2
folder=$3
shift 3
java=("$@")
if [[ ! -f $jar ]]; then
  echo "skipped: no packaged jar at $jar (scripts/package makes it; scripts/test runs it first)"
  exit 77
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
tool() {
  env -u JAVA_TOOL_OPTIONS -u LD_LIBRARY_PATH LD_PRELOAD="$emulation" \
    KIVDSHOW_EMULATED_WEBCAMS=0 XDG_CACHE_HOME="$home/cache" "${java[@]}" -Xcheck:jni -jar "$jar" "$@"
}
listed=$(tool list)
shown=$(tool set brightness 40 show)
echo "$listed"
echo "$shown"
grep -q '/dev/video0' <<<"$listed" || { echo "the webcam was not listed"; exit 1; }
grep -Eq '^brightness +40 +manual' <<<"$shown" || { echo "brightness 40 was not read back"; exit 1; }
extracted=$(find "$home/cache/kivdshow" -type f)
[[ $(wc -l <<<"$extracted") == 1 ]] || { echo "extracted: $extracted"; exit 1; }
cmp "$extracted" <(unzip -p "$jar" "$folder/libkivdshow.so") ||
  { echo "the library loaded is not the jar's $folder copy"; exit 1; }
echo "loaded the jar's $folder/libkivdshow.so from $extracted"
