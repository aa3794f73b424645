#!/usr/bin/env bash
# Faults a desktop does to a running Velmo Mouse, each on a private X server with a tray host and
# the hand simulator: SIGTERM during a drag, the tracking service killed or frozen mid-pinch, the
# X server gone, the tray host gone and back, a second copy. After each, the X server must hold
# no button and no key (read back with velmo-xwatch --held) and the settings file must be intact
# (every line whole, the user's values still there).
# Usage: tests/faults/fault-injection.sh BUILD_DIR [CASE...]
#   cases: drag-sigterm service-killed service-frozen x-gone tray-restart two-copies
# Prints PASS/FAIL per case; exits 1 when any case failed. Logs stay in BUILD_DIR/faults/CASE/.
set -u
build=$(cd "${1:?usage: $0 BUILD_DIR [CASE...]}" && pwd)
shift
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(drag-sigterm service-killed service-frozen x-gone tray-restart two-copies)
app_bin=$build/src/app/velmo-mouse
sim_bin=$build/tools/handsim/velmo-handsim
watch_bin=$build/tools/xwatch/velmo-xwatch
for f in "$app_bin" "$sim_bin" "$watch_bin"; do [ -x "$f" ] || { echo "missing $f" >&2; exit 2; }; done

failures=0
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill -KILL "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  pids=()
}
trap cleanup EXIT

# The user's settings: defaults except a destination port of 9000 and "Notify Clicks" on; with
# "source PORT", a relay source sending to 127.0.0.1:PORT.
seed_settings() {
  local i texts=(0.000000 1.250000 1000.000000 1.000000 0.300000 0.000000 300.000000 0.350000 0.250000
    0.300000 0.300000 0.850000 0.850000 1.000000 1.000000 0.000000 0.000000 1.000000 1.000000 0.000000
    0.000000 1.000000 2.000000 3.000000 4.000000 1.000000 0.500000 0.000000 0.000000 0.000000 0.000000
    0.000000 0.000000 0.000000 0.000000 0.000000 9000.000000 1.000000 0.000000 1.000000 0.000000
    0.000000 0.000000)
  [ "${1:-}" = source ] && texts[31]=1.000000 texts[32]=127.000000 texts[35]=1.000000 texts[36]=$2.000000
  for i in "${texts[@]}"; do printf '%s' "$i" | base64 -w0; echo; done
  printf 'ESC KEY\t0\tEsc' | base64 -w0; echo
  printf 'APP SWITCHER\t0\tCtrl+Tab' | base64 -w0; echo
  printf 'FN+F9 KEY\t1\tF9' | base64 -w0; echo
}

# Intact: 46 whole Base64 lines, numbers where numbers belong, the port and the actions kept.
settings_intact() {
  local file=$1 n=0 line text
  [ -s "$file" ] || { echo "no settings file"; return 1; }
  while IFS= read -r line; do
    text=$(printf '%s' "$line" | base64 -d 2>/dev/null) || { echo "line $((n + 1)) is not whole Base64"; return 1; }
    if [ $n -lt 43 ] && ! [[ $text =~ ^-?[0-9]+\.[0-9]{6}$ ]]; then echo "line $((n + 1)) is not a number: $text"; return 1; fi
    [ $n = 36 ] && [ "$text" != "$expected_port.000000" ] && { echo "the destination port became $text"; return 1; }
    n=$((n + 1))
  done <"$file"
  [ $n = 46 ] || { echo "$n lines instead of 46"; return 1; }
  ls "$file".bak* >/dev/null 2>&1 && { echo "a backup was made: the file was not read whole"; return 1; }
  return 0
}

start_x() {
  local fifo
  fifo=$(mktemp -u /tmp/velmo-faults.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  read -r -t 20 num <"$fifo"
  rm -f "$fifo"
  [ -n "${num:-}" ] || return 1
  export DISPLAY=:$num
  start_tray
}

start_tray() {
  trayer --edge top --align right --widthtype pixel --width 200 --height 32 >/dev/null 2>&1 &
  tray=$!
  pids+=("$tray")
  sleep 0.3
}

start_sim() {  # scenario text
  printf '%s\n' "$1" >"$dir/scenario.txt"
  "$sim_bin" --socket "$XDG_RUNTIME_DIR/velmo-tracking.sock" "$dir/scenario.txt" >>"$dir/handsim.log" 2>&1 &
  sim=$!
  pids+=("$sim")
  for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/velmo-tracking.sock" ] && return 0; sleep 0.1; done
  return 1
}

start_app() {  # log name
  "$dir/app/velmo-mouse" >"$dir/${1:-app}.log" 2>&1 &
  app=$!
  pids+=("$app")
}

# Waits up to $1 seconds for the X server to hold the left button (the hand's pinch).
wait_pressed() {
  local mask
  for _ in $(seq $(($1 * 10))); do
    mask=$("$watch_bin" --held 2>/dev/null | awk '{print $2}')
    [ "$mask" = 0x100 ] && return 0
    sleep 0.1
  done
  return 1
}

nothing_held() {
  local state
  state=$("$watch_bin" --held 2>&1) && return 0
  echo "X still holds: $state"
  return 1
}

# Ends the program as a log-out does; its exit status.
quit_app() {
  kill -TERM "$app" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && { kill -KILL "$app"; echo "did not quit within 10 s"; }
  wait "$app" 2>/dev/null
}

HOLD_START='wait 0.5s
hand right
wait 1.5s
pinch index over 0.2s'
HOLD="$HOLD_START
wait 60s"

# Each case: prints nothing and returns 0 on success, else prints why.
case_drag-sigterm() {
  start_sim "$HOLD" || { echo "no simulator"; return 1; }
  start_app
  wait_pressed 15 || { echo "the pinch never pressed the left button"; return 1; }
  quit_app >/dev/null; local rc=$?
  [ $rc = 0 ] || { echo "exit status $rc after SIGTERM"; return 1; }
  nothing_held
}

case_service-killed() {
  start_sim "$HOLD" || { echo "no simulator"; return 1; }
  start_app
  wait_pressed 15 || { echo "the pinch never pressed the left button"; return 1; }
  { kill -KILL "$sim"; wait "$sim"; } 2>/dev/null
  sleep 2
  kill -0 "$app" 2>/dev/null || { echo "the program ended with the service"; return 1; }
  nothing_held || return 1
  quit_app >/dev/null || { echo "exit status $? after SIGTERM"; return 1; }
}

case_service-frozen() {
  start_sim "$HOLD" || { echo "no simulator"; return 1; }
  start_app
  wait_pressed 15 || { echo "the pinch never pressed the left button"; return 1; }
  kill -STOP "$sim"
  sleep 3
  kill -0 "$app" 2>/dev/null || { echo "the program ended"; return 1; }
  local held=0
  nothing_held || held=1
  kill -CONT "$sim"
  { kill -KILL "$sim"; wait "$sim"; } 2>/dev/null
  quit_app >/dev/null || { echo "exit status $? after SIGTERM"; return 1; }
  return $held
}

# A pinch held while the hand sweeps to and fro: every frame moves the pointer.
MOVING="$HOLD_START
$(for _ in $(seq 40); do printf 'move by 120 0 0 over 0.4s\nmove by -120 0 0 over 0.4s\n'; done)"

# Waits up to $1 seconds for a line in file $2 that matches $3.
wait_line() {
  for _ in $(seq $(($1 * 10))); do grep -q -- "$3" "$2" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

# The X server killed while the hand moves, X_GONE_ROUNDS times (default 6), at another point of
# the movement each time, the last time as a relay source: the program must end in order every
# time, with status 1, its own last line, and no crash or sanitizer report; the source's
# destination hears the release of the button the pinch held.
case_x-gone() {
  local round rounds=${X_GONE_ROUNDS:-6} rc log heard=$dir/destination.txt listener=""
  for round in $(seq "$rounds"); do
    if [ "$round" != 1 ]; then
      { kill -KILL "$sim" "$tray"; wait "$sim" "$tray"; } 2>/dev/null
      rm -f "$XDG_RUNTIME_DIR/velmo-tracking.sock"
      start_x || { echo "round $round: Xvfb did not start"; return 1; }
    fi
    if [ "$round" = "$rounds" ]; then
      # The destination: a socket on a free port, whose number it writes first.
      python3 -c 'import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
out = open(sys.argv[1], "ab", 0)
out.write(b"PORT %d\n" % s.getsockname()[1])
while True:
    out.write(s.recvfrom(4096)[0] + b"\n")' "$heard" &
      listener=$!
      pids+=("$listener")
      wait_line 10 "$heard" "^PORT " || { echo "no destination socket"; return 1; }
      expected_port=$(sed -n 's/^PORT //p' "$heard")
      seed_settings source "$expected_port" >"$dir/app/velmo.dat"
    fi
    start_sim "$MOVING" || { echo "round $round: no simulator"; return 1; }
    start_app "app-$round"
    log=$dir/app-$round.log
    if [ -n "$listener" ]; then
      wait_line 15 "$heard" "^LEFT_BUTTON 1" || { echo "round $round: the destination never heard the press"; return 1; }
    else
      wait_pressed 15 || { echo "round $round: the pinch never pressed the left button"; return 1; }
    fi
    sleep "0.$((RANDOM % 8))"
    touch "$dir/killed"
    { kill -KILL "$xvfb"; wait "$xvfb"; } 2>/dev/null
    for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app" 2>/dev/null; then echo "round $round: still running 10 s after its X server went"; return 1; fi
    wait "$app"; rc=$?
    [ $rc = 1 ] || { echo "round $round: exit status $rc"; return 1; }
    if grep -q -E "Sanitizer|runtime error|pure virtual|terminate called" "$log"; then
      echo "round $round: $(grep -m1 -E "Sanitizer|runtime error|pure virtual|terminate called" "$log")"
      return 1
    fi
    grep -q "the X server is gone; settings saved" "$log" || { echo "round $round: did not end in order"; return 1; }
    [ "$dir/app/velmo.dat" -nt "$dir/killed" ] || { echo "round $round: the settings were not saved"; return 1; }
  done
  grep -a "_BUTTON" "$heard" | tail -n 1 | grep -q "^LEFT_BUTTON 0" ||
    { echo "the destination's last button command: $(grep -a "_BUTTON" "$heard" | tail -n 1)"; return 1; }
  # A new server on the same display starts with nothing held; the file is what must survive.
  return 0
}

case_tray-restart() {
  start_sim 'wait 0.5s
hand right
wait 20s' || { echo "no simulator"; return 1; }
  start_app
  local icon=""
  icon_of() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
      if [ "${WIDTH:-0}" -le 64 ] && [ "${HEIGHT:-0}" -le 64 ]; then echo "$w"; return 0; fi
    done
    return 1
  }
  for _ in $(seq 80); do icon=$(icon_of) && break; sleep 0.1; done
  [ -n "$icon" ] || { echo "no tray icon at start"; return 1; }
  kill -TERM "$tray"; wait "$tray" 2>/dev/null
  sleep 1.5
  kill -0 "$app" 2>/dev/null || { echo "the program ended with the tray host"; return 1; }
  start_tray
  icon=""
  for _ in $(seq 80); do icon=$(icon_of) && break; sleep 0.1; done
  [ -n "$icon" ] || { echo "the icon did not come back to the new tray host"; return 1; }
  nothing_held || return 1
  quit_app >/dev/null || { echo "exit status $? after SIGTERM"; return 1; }
}

case_two-copies() {
  start_sim 'wait 0.5s
hand right
wait 20s' || { echo "no simulator"; return 1; }
  start_app first
  local first=$app
  sleep 3
  start_app second
  local second=$app
  for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$second" 2>/dev/null; then
    { kill -KILL "$second"; wait "$second"; } 2>/dev/null
    echo "the second copy kept running beside the first"
    app=$first; quit_app >/dev/null
    return 1
  fi
  wait "$second"; local rc=$?
  [ $rc != 0 ] || { echo "the second copy ended with status 0"; return 1; }
  [ -s "$dir/second.log" ] || { echo "the second copy said nothing"; return 1; }
  kill -0 "$first" 2>/dev/null || { echo "the first copy ended"; return 1; }
  app=$first
  nothing_held || return 1
  quit_app >/dev/null || { echo "first copy: exit status $? after SIGTERM"; return 1; }
}

for name in "${cases[@]}"; do
  dir=$build/faults/$name
  rm -rf "$dir"
  mkdir -p "$dir/app" "$dir/run"
  chmod 700 "$dir/run"
  export XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache
  export QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none
  unset WAYLAND_DISPLAY
  cp "$app_bin" "$dir/app/velmo-mouse"
  cp -r "$build/src/app/resources" "$dir/app/resources"
  seed_settings >"$dir/app/velmo.dat"
  expected_port=9000
  if ! start_x; then
    echo "FAIL $name: Xvfb did not start"
    failures=$((failures + 1))
    continue
  fi
  "case_$name" >"$dir/why.txt" 2>&1
  ok=$?
  why=$(tr '\n' ' ' <"$dir/why.txt" | sed 's/ *$//')
  [ $ok = 0 ] || why=${why:-failed}
  cleanup
  if intact=$(settings_intact "$dir/app/velmo.dat"); then :; else
    why="${why:+$why; }settings: $intact"; ok=1
  fi
  if [ $ok = 0 ]; then
    echo "PASS $name"
  else
    echo "FAIL $name: $why"
    failures=$((failures + 1))
  fi
done
[ $failures = 0 ]
