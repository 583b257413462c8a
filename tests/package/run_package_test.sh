#!/bin/sh
# run_package_test.sh <build folder> <package zip> contents|run [Sondreth.exe]
# Unpacks the release package into a fresh folder and checks its files; with
# "run", then runs package_tests.exe under Wine against the unpacked programs.
set -eu
build=$1 zip=$2 mode=$3 tool=${4:-}
[ -f "$zip" ] || { echo "no package $zip: build it with: cmake --build $build --target package" >&2; exit 1; }
[ "$zip" -nt "$build/bin/Velkmira.exe" ] || { echo "package $zip is older than Velkmira.exe: build the package target again" >&2; exit 1; }
dir="$build/package-test-$mode"
rm -rf "$dir"
mkdir -p "$dir"
(cd "$dir" && cmake -E tar xf "$zip")
top="$dir/$(basename "$zip" .zip)"
expected="README.txt Tarnlet.dll VELKPanomira.chm Velkmira.exe $tool"
found=$(cd "$top" && ls | LC_ALL=C sort | tr '\n' ' ')
want=$(echo $expected | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ')
if [ "$found" != "$want" ]; then
  echo "package holds: $found; expected: $want" >&2
  exit 1
fi
grep -q "Run when system starts" "$top/README.txt"
# The readme names the processor kind of the package and says which to take.
kind=${zip##*-}
kind=${kind%.zip}
grep -q "for Windows $kind" "$top/README.txt"
grep -q "x86.zip is for 32-bit Windows" "$top/README.txt"
[ "$mode" = run ] || exit 0
# The Windows path of the unpacked folder (Wine's drive Z: is the root).
VELK_PACKAGE_DIR="Z:$(echo "$top" | tr '/' '\\')\\"
export VELK_PACKAGE_DIR
exec "$build/wine-run" "$build/bin/package_tests.exe"
