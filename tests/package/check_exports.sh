#!/bin/sh
# check_exports.sh <objdump> <library> <name>...
# Fails unless the library exports exactly the names given, each by its plain
# name: a decorated stdcall name ("_Name@8", "Name@8") or a missing, extra or
# doubled name fails, since the main program looks every export up by its
# plain name and ends at start-up when one is not found.
set -eu
objdump=$1 library=$2
shift 2
found=$("$objdump" -p "$library" | awk '
  /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
  table && /^\t\[ *[0-9]+\] / { sub(/^\t\[ *[0-9]+\] /, ""); print; next }
  table { table = 0 }' | LC_ALL=C sort)
want=$(printf '%s\n' "$@" | LC_ALL=C sort)
if [ -z "$found" ]; then
  echo "${library##*/}: no exported names read" >&2
  exit 1
fi
if [ "$found" != "$want" ]; then
  echo "${library##*/} exports:" $found >&2
  echo "expected exactly:" $want >&2
  exit 1
fi
echo "${library##*/} exports:" $found
