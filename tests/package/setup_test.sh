#!/bin/bash
# setup_test.sh <tools/setup>
# tools/setup's attempt at Wine's 32-bit support, against stand-ins for dpkg,
# dpkg-query and apt-get that keep the machine's state in a scratch folder:
# apt is left as it was found whether the install is refused, succeeds, is
# stopped by a signal or is killed outright, and the once-a-day stamp is
# written only after an attempt and its clean-up have succeeded.
set -u
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bin=$scratch/bin state=$scratch/state
mkdir -p "$bin"
# The stand-ins. state/arch: foreign architectures; state/pkgs: installed
# packages; state/mode: what "apt-get install wine32:i386" does (refuse,
# succeed, hang); state/log: every call.
cat > "$bin/dpkg" <<'STUB'
#!/bin/bash
echo "dpkg $*" >> "$STATE/log"
case $1 in
--print-foreign-architectures) cat "$STATE/arch" ;;
--add-architecture) echo "$2" >> "$STATE/arch" ;;
--remove-architecture) grep -vx "$2" "$STATE/arch" > "$STATE/arch.new"; mv "$STATE/arch.new" "$STATE/arch" ;;
esac
STUB
cat > "$bin/dpkg-query" <<'STUB'
#!/bin/bash
last=${!#}
case $last in
wine32:i386) grep -qx "$last" "$STATE/pkgs" && echo "install ok installed" ;;
-W|-f*) sed 's/$/ ii /' "$STATE/pkgs" ;;
*) echo "install ok installed" ;;
esac
STUB
cat > "$bin/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $*" >> "$STATE/log"
args=" $* "
case $args in
*" -s install "*) [ "$(cat "$STATE/mode")" = refuse ] && echo "Remv libc6 [2.36]"; echo "Inst wine32:i386 (8.0)" ;;
*" purge "*) for p in "$@"; do grep -vx "$p" "$STATE/pkgs" > "$STATE/pkgs.new"; mv "$STATE/pkgs.new" "$STATE/pkgs"; done ;;
*" install "*)
  echo "libwine:i386" >> "$STATE/pkgs"
  case $(cat "$STATE/mode") in
  hang) touch "$STATE/hanging"; sleep 60 ;;
  succeed) echo "wine32:i386" >> "$STATE/pkgs" ;;
  esac ;;
esac
exit 0
STUB
printf '#!/bin/sh\nexec "$@"\n' > "$bin/sudo"
chmod +x "$bin"/*
export PATH="$bin:$PATH" STATE="$state" XDG_CACHE_HOME="$scratch/cache"
stamp=$XDG_CACHE_HOME/velkmira-wine32-attempt
failures=0
fresh() { rm -rf "$state" "$XDG_CACHE_HOME"; mkdir -p "$state"; : > "$state/arch"; : > "$state/pkgs"; : > "$state/log"; echo "$1" > "$state/mode"; }
expect() {  # <case> <what> <condition...>
  local name=$1 what=$2
  shift 2
  if ! "$@"; then echo "FAIL: $name: $what"; failures=$((failures + 1)); fi
}
no_i386() { ! grep -qx i386 "$state/arch" && ! grep -q ':i386$' "$state/pkgs"; }
has_stamp() { [ -f "$stamp" ]; }
no_stamp() { [ ! -f "$stamp" ]; }
# Runs setup in a process group of its own and, once the install hangs,
# stops the whole group with the signal (as Ctrl-C or a CI time-out does).
set -m
interrupted() {
  "$setup" >/dev/null 2>&1 &
  local pid=$! i
  for i in $(seq 200); do [ -f "$state/hanging" ] && break; sleep 0.05; done
  kill "-$1" -- "-$pid"
  wait "$pid" 2>/dev/null
  rm -f "$state/hanging"
}

fresh refuse; "$setup" >/dev/null 2>&1
expect refused "the i386 architecture is taken away again" no_i386
expect refused "the stamp is written after the clean-up" has_stamp
: > "$state/log"; "$setup" >/dev/null 2>&1
expect refused "a second run within a day tries nothing" test ! -s "$state/log"

fresh succeed; "$setup" >/dev/null 2>&1
expect succeeded "the architecture stays in use" grep -qx i386 "$state/arch"
expect succeeded "Wine's 32-bit support is installed" grep -qx wine32:i386 "$state/pkgs"

fresh hang; interrupted TERM
expect stopped "the trap takes the architecture and the half install away" no_i386
expect stopped "no stamp after an interrupted attempt" no_stamp

fresh hang; interrupted KILL
expect killed "the killed run left the architecture (the case of the next run)" grep -qx i386 "$state/arch"
echo refuse > "$state/mode"; "$setup" >/dev/null 2>&1
expect killed "the next run takes the architecture away" no_i386

fresh refuse; echo i386 > "$state/arch"; "$setup" >/dev/null 2>&1
expect "already there" "an architecture this script did not add stays" grep -qx i386 "$state/arch"

[ "$failures" -eq 0 ] && echo "tools/setup leaves apt as it found it in every case"
exit $((failures > 0))
