#!/usr/bin/env bash
# check_jar.sh <kivdshow.jar> <nm> <aarch64 nm>: the packaged jar holds the classes, as Java 8
# bytecode, and one product library per platform folder and nothing else; each library is of its
# platform's format and exports exactly the natives of the Java classes (the 32-bit DLL's
# undecorated and stdcall); the manifest names the tool, the title, the version and the module.
# Exits 77 (ctest's skip) when the jar has not been packaged.
set -euo pipefail
jar=$1
nm=$2
aarch64_nm=$3
here=$(cd "$(dirname "$0")" && pwd)
if [[ ! -f $jar ]]; then
  echo "skipped: no packaged jar at $jar (scripts/package makes it; scripts/test runs it first)"
  exit 77
fi
contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
unzip -q "$jar" -d "$contents"
cd "$contents"
failed=0
fail() {
  echo "$*"
  failed=1
}

# Each platform's library: its format as file(1) describes it, and its exports.
check_library() {
  local library=$1 format=$2
  shift 2
  [[ -f $library ]] || { fail "missing: $library"; return; }
  local description
  description=$(file -b "$library")
  [[ $description == "$format"* ]] || fail "$library is '$description', not '$format'"
  "$@" || failed=1
}
check_library linux-x86_64/libkivdshow.so "ELF 64-bit LSB shared object, x86-64" \
  "$here/../check_exports.sh" "$nm" linux-x86_64/libkivdshow.so
check_library linux-aarch64/libkivdshow.so "ELF 64-bit LSB shared object, ARM aarch64" \
  "$here/../check_exports.sh" "$aarch64_nm" linux-aarch64/libkivdshow.so
check_library windows-x86/kivdshow.dll "PE32 executable (DLL) (console) Intel 80386" \
  "$here/../windows/check_dll.sh" i686-w64-mingw32-objdump windows-x86/kivdshow.dll stdcall
check_library windows-x86_64/kivdshow.dll "PE32+ executable (DLL) (console) x86-64" \
  "$here/../windows/check_dll.sh" x86_64-w64-mingw32-objdump windows-x86_64/kivdshow.dll
expected_files="META-INF/MANIFEST.MF
linux-aarch64/libkivdshow.so
linux-x86_64/libkivdshow.so
windows-x86/kivdshow.dll
windows-x86_64/kivdshow.dll"

# Nothing but the classes of the product and its tool beside the natives: no simulated build, no
# benchmark build, no test class.
others=$(find . -type f ! -name '*.class' | sed 's|^\./||' | sort)
if [[ $others != "$expected_files" ]]; then
  fail "files other than the classes and the four libraries:"
  diff <(echo "$expected_files") <(echo "$others") || true
fi
strays=$(find . -name '*.class' | grep -E 'Simulated|Baseline|Emulated|Test|Bench' || true)
[[ -z $strays ]] || fail "test or benchmark classes: $strays"

# The class file's major version at bytes 6 and 7: 52 is Java 8.
for class in $(find . -name '*.class'); do
  major=$(od -An -tu1 -j6 -N2 "$class" | awk '{print $1 * 256 + $2}')
  [[ $major == 52 ]] || fail "$class has class file version $major, not 52 (Java 8)"
done
classes=$(find . -name '*.class' | wc -l)

manifest=$(tr -d '\r' <META-INF/MANIFEST.MF)
for field in "Main-Class: quorvane.image.demo.CameraDemo" "Implementation-Title: kivdshow" \
  "Implementation-Version: " "Automatic-Module-Name: quorvane.image"; do
  grep -q "^$field" <<<"$manifest" || fail "the manifest lacks '$field'"
done

((failed == 0)) || exit 1
echo "$jar: $classes Java 8 classes, the four platforms' libraries, the manifest:"
grep -E '^(Main-Class|Implementation-|Automatic-Module-Name)' <<<"$manifest"
