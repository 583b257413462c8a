#!/bin/sh
# check_imports.sh <objdump> <exports list> <x86|x64> <program or library>...
# Fails when a deliverable imports a function that the oldest Windows it is
# built for does not export (Windows XP for x86, its x64 edition 5.2 for x64),
# or asks for a newer subsystem version than that Windows has. Delay-loaded
# imports are refused, since a function imported that way is not in the
# import table read here and would escape the check (a newer function is
# looked up at run time with GetProcAddress instead): the image's delay import
# directory must be empty, and it must not hold the mingw delay-load helper
# (dlltool -y builds its descriptors into the code and leaves that directory
# empty).
set -eu
objdump=$1 list=$2 arch=$3
shift 3
case "$arch" in
x86) oldest=5.1 ;;
x64) oldest=5.2 ;;
*) echo "unknown processor kind $arch" >&2; exit 2 ;;
esac
status=0
for file in "$@"; do
  if "$objdump" -t "$file" | grep -q -E '__delayLoadHelper2|__DELAY_IMPORT_DESCRIPTOR_'; then
    echo "${file##*/} has delay-loaded imports, which this check cannot read"
    status=1
  fi
  "$objdump" -p "$file" | awk -v arch="$arch" -v oldest="$oldest" -v file="${file##*/}" -v list="$list" '
    function hex(text,    i, n) {
      n = 0
      for (i = 1; i <= length(text); i++) n = n * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
      return n
    }
    BEGIN {
      while ((getline line < list) > 0) {
        sub(/#.*/, "", line)
        if (split(line, f, " ") == 0) continue
        if (f[1] ~ /^\[.*\]$/) { dll = toupper(substr(f[1], 2, length(f[1]) - 2)); continue }
        if (f[2] == "" || f[2] == arch) allowed[dll " " f[1]] = 1
      }
      close(list)
      dll = ""; imports = 0; bad = 0
    }
    /^MajorSubsystemVersion/ { major = $2 }
    # "Entry d <address> <size> Delay Import Directory"
    /^Entry d .*Delay Import Directory/ && $4 !~ /^0+$/ { printf "%s has delay-loaded imports, which this check cannot read\n", file; bad = 1 }
    /^MinorSubsystemVersion/ { minor = $2 }
    /^The Export Tables/ { dll = "" }
    /DLL Name:/ { dll = toupper($3); next }
    dll != "" && /^\t[0-9a-f]+\t/ {
      # By name: "<vma> <hint> <name>"; by ordinal: "<ordinal entry> <ordinal, hex> <none>".
      name = ($3 == "<none>") ? "#" hex($2) : $3
      imports++
      if (!((dll " " name) in allowed)) { printf "%s imports %s %s, which Windows %s does not export\n", file, dll, name, oldest; bad = 1 }
    }
    END {
      if (imports == 0) { printf "%s: no imports read\n", file; exit 1 }
      if (major + minor / 10 > oldest + 0) { printf "%s asks for subsystem %s.%s, newer than Windows %s\n", file, major, minor, oldest; bad = 1 }
      exit bad
    }' || status=1
done
exit $status
