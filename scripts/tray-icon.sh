# Sourced by scripts that click the tray icon. tray_icon PID TRIES: prints the id of PID's visible
# window of at most 64 x 64 pixels (its tray icon), looking every 0.1 s up to TRIES times; prints
# nothing when none appeared or PID ended.
tray_icon() {
  local pid=$1 tries=$2 w
  for _ in $(seq "$tries"); do
    kill -0 "$pid" 2>/dev/null || return 0
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
      if [ "${WIDTH:-0}" -le 64 ] && [ "${HEIGHT:-0}" -le 64 ]; then echo "$w"; return 0; fi
    done
    sleep 0.1
  done
}
