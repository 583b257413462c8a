# Sourced by tools/run and tools/screenshots: a private X server (Xvfb) on a
# free display number, stopped with stop_virtual_display.
#   start_virtual_display WxHxD   exports DISPLAY; sets xvfb_pid
#   stop_virtual_display
xvfb_pid=""
start_virtual_display() {
  local n=99 log
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  log=$(mktemp)
  Xvfb ":$n" -screen 0 "$1" -nolisten tcp >"$log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "Xvfb did not start:" >&2
    cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
  export DISPLAY=":$n"
}
stop_virtual_display() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
