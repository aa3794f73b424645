#!/usr/bin/env bash
# The main job: Velmo Mouse runs with the hand simulator as its tracking service. A scripted hand
# appears, sweeps the pointer across the screen, clicks, turns the wheel, makes a fist and leaves;
# then the job shows what the X server saw (pointer positions, clicks, wheel turns), the tray
# events the program reported, saves screenshots, and quits the program the way a log-out does.
# Everything lands in out/main-job/.
#
# Usage: scripts/main-job.sh [SCENARIO]        (default: tools/scenarios/main-demo.txt)
# SCENARIO is a hand-simulator script (docs/handsim.md; examples in tools/scenarios/).
# Without a display it starts its own X server (Xvfb) and tray host (trayer); on a desktop session
# it uses yours, which needs a system tray: the pointer really moves and clicks.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMO_BUILD_DIR:-$here/build}
scenario=${1:-$here/tools/scenarios/main-demo.txt}
out=$here/out/main-job
app=$build/src/app/velmo-mouse
sim=$build/tools/handsim/velmo-handsim
watch=$build/tools/xwatch/velmo-xwatch
shot=$build/tools/optionsshot/velmo-options-shot

say() { printf '%s\n' "$*"; }
fail() { printf 'main-job: %s\n' "$*" >&2; exit 1; }

for f in "$app" "$sim" "$watch"; do
  [ -x "$f" ] || fail "$f is missing: build first (scripts/run.sh does)"
done
[ -r "$scenario" ] || fail "cannot read the scenario $scenario"

rm -rf "$out"
mkdir -p "$out/app" || fail "cannot make $out"

pids=()
runtime=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "$runtime" ] && rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

own_display=0
if [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u /tmp/velmo-main-job.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  pids+=($!)
  read -r -t 20 num <"$fifo"
  rm -f "$fifo"
  [ -n "${num:-}" ] || fail "Xvfb did not start"
  export DISPLAY=":$num"
  unset WAYLAND_DISPLAY
  trayer --edge top --align right --widthtype pixel --width 200 --height 32 >/dev/null 2>&1 &
  pids+=($!)
  # The simulator's socket goes where no other tracking service on this machine can be.
  runtime=$(mktemp -d /tmp/velmo-main-job-run.XXXXXX)
  export XDG_RUNTIME_DIR=$runtime
  own_display=1
  say "No display: started Xvfb on $DISPLAY (1920x1080) with a tray host."
else
  say "Using your display $DISPLAY: the pointer will move and click by itself for about 20 seconds."
fi
export QT_QPA_PLATFORM=xcb

# The program runs from a folder of its own: the demo starts from the default settings, and the
# settings file it writes at exit is the demo's, not that of the program in the build tree.
ln -f "$app" "$out/app/velmo-mouse" 2>/dev/null || cp "$app" "$out/app/velmo-mouse" || fail "cannot copy $app"
# The 3D tutorial's module goes beside the program, where it looks first.
module=$(dirname "$app")/velmo-tutorial.so
[ -f "$module" ] && { ln -f "$module" "$out/app/velmo-tutorial.so" 2>/dev/null || cp "$module" "$out/app/velmo-tutorial.so"; }
if [ -d "$build/src/app/resources" ]; then
  cp -r "$build/src/app/resources" "$out/app/resources"
else
  cp -r "$here/resources" "$out/app/resources"
fi

"$watch" --interval 20 >"$out/xwatch.log" 2>&1 &
pids+=($!)
watch_pid=$!

"$sim" "$scenario" >"$out/handsim.log" 2>&1 &
sim_pid=$!
pids+=($sim_pid)
if [ -n "${XDG_RUNTIME_DIR:-}" ]; then
  sock=$XDG_RUNTIME_DIR/velmo-tracking.sock
else
  sock=/tmp/velmo-$(id -u)/velmo-tracking.sock
fi
for _ in $(seq 50); do
  [ -S "$sock" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if ! kill -0 "$sim_pid" 2>/dev/null; then
  cat "$out/handsim.log" >&2
  fail "the hand simulator did not start (another tracking service on $sock?)"
fi

say "Starting Velmo Mouse with the hand simulator playing $(basename "$scenario")."
# Each line of the program's log starts with the time on the monotonic clock, the clock
# velmo-xwatch counts from: the two logs line up.
QT_MESSAGE_PATTERN='%{time boot} %{message}' "$out/app/velmo-mouse" >"$out/velmo-mouse.log" 2>&1 &
app_pid=$!
pids+=($app_pid)

# A program that cannot start says why at once; without a tray host it says so after a few
# seconds' wait and then waits for a click on its message box.
app_log=$out/velmo-mouse.log
for _ in $(seq 80); do
  grep -q "couldn't detect any system tray" "$app_log" 2>/dev/null && break
  kill -0 "$app_pid" 2>/dev/null || break
  # Its first window (the splash) shows once it has found the tray.
  [ -n "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" ] && break
  sleep 0.1
done
if grep -q "couldn't detect any system tray" "$app_log" 2>/dev/null; then
  kill "$app_pid" 2>/dev/null
  fail "no system tray on $DISPLAY: Velmo Mouse lives in the tray and needs a tray host (a panel with a notification area; without one, start e.g. 'trayer &' and run the job again)"
fi
if ! kill -0 "$app_pid" 2>/dev/null; then
  sed 's/^/  /' "$app_log" >&2
  fail "Velmo Mouse ended at start (its words are above)"
fi

# Tick "&Notify Clicks" in the tray menu, as a user would, so that clicks show in the tray. The
# tray icon is a small window of the program inside the tray host; a left click opens the menu
# and N picks the entry. The tick has taken only when the program says so (a hand's click can
# close the menu first): then it is tried again. Only on the job's own display: on yours a key
# press could end up in another program.
notify_state() { grep -o "NOTIFY CLICKS O[NF]*" "$app_log" 2>/dev/null | tail -n 1; }
notify_ticked=0
. "$here/scripts/tray-icon.sh"
icon=$(tray_icon "$app_pid" $((own_display * 40)))
for _ in 1 2 3; do
  [ -n "$icon" ] || break
  sleep 0.5
  before=$(grep -c "NOTIFY CLICKS" "$app_log" 2>/dev/null)
  xdotool mousemove --window "$icon" 8 8 click 1 && sleep 0.5 && xdotool key n
  for _ in $(seq 20); do
    [ "$(grep -c "NOTIFY CLICKS" "$app_log" 2>/dev/null)" -gt "$before" ] && break
    sleep 0.1
  done
  [ "$(notify_state)" = "NOTIFY CLICKS ON" ] && { notify_ticked=1; break; }
  xdotool key Escape 2>/dev/null  # a menu still open goes before the next try
done
# The job's own clicks (on the tray icon) are not the hand's.
own_clicks=$(grep -c "release 1" "$out/xwatch.log" 2>/dev/null)
if [ "$notify_ticked" = 1 ]; then
  say "Ticked \"&Notify Clicks\" in the tray menu; Velmo Mouse confirmed it (the first left click below is the job's, on the tray icon)."
elif [ "$own_display" = 1 ]; then
  say "Could not tick \"&Notify Clicks\" in the tray menu (Velmo Mouse never confirmed it): clicks are not notified."
else
  say "Tick \"Notify Clicks\" in the tray menu now to see the clicks in the tray too."
fi

# The scenario plays; the simulator ends with it. A screenshot once the click has happened.
shot_click=0
deadline=$((SECONDS + 90))
while kill -0 "$sim_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
  if [ "$shot_click" = 0 ] && [ "$(grep -c "release 1" "$out/xwatch.log" 2>/dev/null)" -gt "${own_clicks:-0}" ]; then
    sleep 0.3
    import -window root "$out/screenshot-click.png" 2>/dev/null && shot_click=1
  fi
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null || say "Velmo Mouse ended before the scenario did."
sleep 1
import -window root "$out/screenshot.png" 2>/dev/null || say "No screenshot (ImageMagick's import failed)."

# The 3D tutorial from the tray menu ("&Tutorial", key T) while the simulator plays a second
# script: the hand drags the first icon into a folder. Screenshots of the window while the icon is
# carried and after the drop, then ESC closes it. Only on the job's own display, as above.
tutorial_shot=0
tutorial_closed=0
tutorial_scenario=$here/tools/scenarios/tutorial-demo.txt
if [ "$own_display" = 1 ] && kill -0 "$app_pid" 2>/dev/null && [ -n "${icon:-}" ]; then
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  # The program finds the new service within a second; the script waits 3 s before the hand comes.
  "$sim" "$tutorial_scenario" >"$out/handsim-tutorial.log" 2>&1 &
  sim_pid=$!
  pids+=($sim_pid)
  sim_start=$(date +%s%N)
  # Sleeps until the given number of milliseconds after the second script started.
  at_ms() { local left=$(( $1 - ($(date +%s%N) - sim_start) / 1000000 )); [ "$left" -gt 0 ] && sleep "$(printf '%d.%03d' $((left / 1000)) $((left % 1000)))"; }
  xdotool mousemove --window "$icon" 8 8 click 1 && sleep 0.5 && xdotool key t
  tut=""
  for _ in $(seq 100); do
    tut=$(xdotool search --onlyvisible --name "^Velmo Mouse Tutorial$" 2>/dev/null | head -1)
    [ -n "$tut" ] && break
    sleep 0.1
  done
  if [ -n "$tut" ]; then
    at_ms 8500
    import -window "$tut" "$out/screenshot-tutorial-drag.png" 2>/dev/null
    at_ms 15000
    import -window "$tut" "$out/screenshot-tutorial.png" 2>/dev/null && tutorial_shot=1
    eval "$(xdotool getwindowgeometry --shell "$tut" 2>/dev/null)"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) && sleep 0.2 && xdotool key Escape
    for _ in $(seq 50); do
      xdotool search --onlyvisible --name "^Velmo Mouse Tutorial$" >/dev/null 2>&1 || { tutorial_closed=1; break; }
      sleep 0.1
    done
  fi
  if [ "$tutorial_shot" = 1 ]; then
    say "Opened the tutorial from the tray menu, a simulated hand dragged an icon into a folder, saved its window; ESC $([ "$tutorial_closed" = 1 ] && echo closed it || echo did not close it)."
  else
    say "The tutorial window did not appear (see velmo-mouse.log)."
  fi
fi

# Quit as a log-out does: the program saves its settings and leaves.
app_status=1
if kill -0 "$app_pid" 2>/dev/null; then
  kill -TERM "$app_pid"
  for _ in $(seq 150); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && { say "Velmo Mouse did not quit within 15 s; killing it."; kill -KILL "$app_pid"; }
fi
wait "$app_pid" 2>/dev/null
app_status=$?
kill "$sim_pid" 2>/dev/null
sleep 0.2
kill "$watch_pid" 2>/dev/null
wait "$watch_pid" 2>/dev/null

say ""
say "== Pointer positions the X server reported (sampled about twice a second) =="
awk '$2 == "pointer" { if (n == 0 || $1 - last >= 0.5) { printf "  %7.2f s  (%d, %d)\n", $1, $3, $4; last = $1 } n++;
                       if (minx == "" || $3 < minx) minx = $3; if ($3 > maxx) maxx = $3;
                       if (miny == "" || $4 < miny) miny = $4; if ($4 > maxy) maxy = $4 }
     END { if (n) printf "  %d positions; x from %d to %d, y from %d to %d\n", n, minx, maxx, miny, maxy;
           else print "  the pointer never moved" }' "$out/xwatch.log"

say ""
say "== Buttons and wheel, as the X server saw them =="
awk '$2 == "press" || $2 == "release" { printf "  %7.2f s  %s button %s\n", $1, $2, $3 }
     $2 == "wheel" { w[$3]++ }
     END { for (d in w) printf "  wheel %s: %d tap(s)\n", d, w[d] }' "$out/xwatch.log"
grep -q -E " (press|release|wheel) " "$out/xwatch.log" || say "  none"

say ""
say "== Tray events and the hand, as Velmo Mouse reported them (times as above) =="
start=$(awk '/^# started at/ { print $4; exit }' "$out/xwatch.log")
awk -v start="${start:-}" '
  / TRAY EVENT | FIST DETECTED| HAND IN VIEW| HAND LEFT THE VIEW/ {
    t = (start == "") ? "" : sprintf("%7.2f s  ", $1 - start)
    line = $0; sub(/^ *[0-9.]+ /, "", line)
    if (line ~ /^FIST DETECTED/) line = "-- fist"
    else if (line ~ /^HAND IN VIEW/) line = "-- a hand comes into view"
    else if (line ~ /^HAND LEFT THE VIEW/) line = "-- the hand leaves the view"
    printf "  %s%s\n", t, line; n++
  }
  END { if (!n) print "  none" }' "$app_log"
wheel_events=$(grep -c "TRAY EVENT [56] " "$app_log")
if [ "$wheel_events" -gt 0 ]; then
  say "  (Why more wheel events than notches: the X server counts notches, 3 per turn of the circle at"
  say "  the default wheel scale 0.3, while the tray reports the wheel on every tracking frame in which"
  say "  the circle has gone between 1.0 and 1.1 turns: about a dozen frames at 120 frames a second.)"
fi

say ""
say "== Settings file written at exit =="
settings="$out/app/velmo.dat"
if [ -s "$settings" ]; then
  notify=$(sed -n 4p "$settings" | base64 -d 2>/dev/null)
  say "  $settings: $(wc -l <"$settings") lines; Notify Clicks = ${notify:-?}"
else
  say "  none at $settings"
fi

# The options dialog, as the demo left the settings: one picture per tab. The picture program
# runs from a copy of the demo's folder, so the demo's settings file stays as it was written.
say ""
say "== Options dialog =="
if [ -x "$shot" ]; then
  mkdir -p "$out/options-app"
  cp -r "$out/app/resources" "$out/options-app/resources" 2>/dev/null
  [ -s "$settings" ] && cp "$settings" "$out/options-app/velmo.dat"
  cp "$shot" "$out/options-app/velmo-options-shot"
  if "$out/options-app/velmo-options-shot" "$out" >"$out/options-shot.log" 2>&1; then
    grep '\.png$' "$out/options-shot.log" | sed 's/^/  /'
  else
    say "  no pictures (see $out/options-shot.log)"
  fi
else
  say "  $shot is missing: build it to see the dialog"
fi

say ""
say "Velmo Mouse exited with status $app_status."
say "Screenshots: $out/screenshot.png$([ "$shot_click" = 1 ] && printf ', %s' "$out/screenshot-click.png")$([ "$tutorial_shot" = 1 ] && printf ', %s, %s' "$out/screenshot-tutorial-drag.png" "$out/screenshot-tutorial.png")"
say "Logs: $out/velmo-mouse.log (program), $out/xwatch.log (X server), $out/handsim.log (simulator)."
[ "$own_display" = 1 ] && say "(The X server was the job's own, 1920x1080; it is gone now.)"

[ "$app_status" = 0 ] && [ -s "$settings" ]
