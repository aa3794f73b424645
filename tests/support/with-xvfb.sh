#!/usr/bin/env bash
# Runs a command under a private Xvfb server (and optionally a tray host), then stops them.
# Usage: with-xvfb.sh [--tray] [--size WxH] [--no-glx] command args...
# --no-glx: a server without OpenGL (GLX), as on a display where GL cannot run.
set -u
tray=0
size=1920x1080
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tray) tray=1; shift ;;
    --size) size=$2; shift 2 ;;
    --no-glx) extra+=(-extension GLX); shift ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--tray] [--size WxH] [--no-glx] command..." >&2; exit 2; }

fifo=$(mktemp -u /tmp/velmo-xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "${extra[@]}" 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo"
rm -f "$fifo"
if [ -z "${num:-}" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  kill "$xvfb" 2>/dev/null
  exit 1
fi
export DISPLAY=":$num"
unset WAYLAND_DISPLAY
pids=()
if [ "$tray" = 1 ]; then
  trayer --edge top --align right --widthtype pixel --width 200 --height 32 >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.3
fi
"$@"
rc=$?
for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $rc
