#!/usr/bin/env bash
# Installs a build into a temporary prefix and runs the installed program for a few seconds on the
# installed simulator, under a private X server with a tray host, as an unprivileged user when run
# as root (so the installed folders are read-only to it, as a system-wide installation is).
# Checks: the pointer moved, the program quit cleanly on SIGTERM, its settings went to the user's
# configuration folder, the 3D tutorial opened from the tray menu with its module loaded from the
# installation only then, and nothing was written into the installation.
# Usage: scripts/install-check.sh [BUILD_DIR [PACKAGE.deb]]     (default: build, cmake --install)
# With a package, its extracted tree is checked instead (dpkg-deb -x; nothing enters the system).
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
deb=${2:-}

if [ "${VELMO_INSTALL_CHECK_INNER:-}" != 1 ]; then
  work=$(mktemp -d /tmp/velmo-install.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  if [ -n "$deb" ]; then
    dpkg-deb -x "$deb" "$work" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
  else
    cmake --install "$build" --prefix "$work/usr" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
  fi
  chmod 755 "$work"
  export VELMO_INSTALL_CHECK_INNER=1 VELMO_INSTALL_WORK=$work
  exec "$here/tests/support/with-xvfb.sh" --tray "$0" "$build" "$deb"
fi

work=$VELMO_INSTALL_WORK
prefix=$work/usr
fail() { echo "install-check: $*" >&2; status=1; }
status=0

# The user the installed program runs as, with a home of its own.
as=()
if [ "$(id -u)" = 0 ]; then as=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
user_home=$work/home
mkdir -p "$user_home/run" && chmod 700 "$user_home/run"
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$user_home"
run_env=(env HOME="$user_home" XDG_CONFIG_HOME="$user_home/.config" XDG_CACHE_HOME="$user_home/.cache"
         XDG_RUNTIME_DIR="$user_home/run" QT_QPA_PLATFORM=xcb)

"${as[@]}" "${run_env[@]}" "$prefix/bin/velmo-handsim" --loop "$prefix/share/velmo-mouse/scenarios/main-demo.txt" \
  >"$work/handsim.log" 2>&1 &
sim=$!
"$build/tools/xwatch/velmo-xwatch" --interval 20 >"$work/xwatch.log" 2>&1 &
watch=$!
for _ in $(seq 50); do [ -S "$user_home/run/velmo-tracking.sock" ] && break; sleep 0.1; done

"${as[@]}" "${run_env[@]}" "$prefix/bin/velmo-mouse" >"$work/app.log" 2>&1 &
app=$!
sleep "${VELMO_INSTALL_CHECK_SECONDS:-6}"
if kill -0 "$app" 2>/dev/null; then
  kill -TERM "$app"
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  wait "$app"
  rc=$?
  [ "$rc" = 0 ] || fail "the installed program exited with $rc after SIGTERM"
else
  wait "$app"
  fail "the installed program ended by itself with status $?"
fi
kill "$sim" "$watch" 2>/dev/null
wait "$sim" "$watch" 2>/dev/null

moves=$(grep -c " pointer " "$work/xwatch.log")
[ "$moves" -ge 20 ] || fail "the pointer moved only $moves times"
settings=$user_home/.config/velmo-mouse/velmo.dat
if [ -s "$settings" ]; then
  [ "$(wc -l <"$settings")" -ge 43 ] || fail "$settings is short"
else
  fail "no settings in $settings"
fi
# The tutorial from the tray menu (a left click on the icon, key T), without a hand this time.
"${as[@]}" "${run_env[@]}" "$prefix/bin/velmo-mouse" >"$work/app-tutorial.log" 2>&1 &
app=$!
. "$here/scripts/tray-icon.sh"
icon=$(tray_icon "$app" 100)
tut=""
if [ -z "$icon" ]; then
  fail "the installed program's tray icon did not appear"
else
  grep -q "libOgre\|velmo-tutorial" "/proc/$app/maps" && fail "the renderer was loaded before the tutorial was opened"
  for _ in 1 2 3; do
    xdotool mousemove --window "$icon" 8 8 click 1 && sleep 0.5 && xdotool key t
    for _ in $(seq 100); do
      tut=$(xdotool search --onlyvisible --name "^Velmo Mouse Tutorial$" 2>/dev/null | head -1)
      [ -n "$tut" ] && break
      sleep 0.1
    done
    [ -n "$tut" ] && break
    xdotool key Escape 2>/dev/null
  done
  module=$(grep -o "$prefix/[^ ]*/velmo-tutorial.so" "/proc/$app/maps" | head -1)
  [ -n "$tut" ] || fail "the tutorial did not open from the tray menu: $(grep -m1 "TUTORIAL FAILED" "$work/app-tutorial.log")"
  [ -n "$module" ] || fail "the tutorial's module was not loaded from $prefix"
fi
kill -TERM "$app"
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app" || fail "the installed program with the tutorial open exited with $? after SIGTERM"

written=$(find "$prefix" -newer "$work/install.log" -type f | head -5)
[ -z "$written" ] || fail "the program wrote into its installation: $written"
if [ -f "$prefix/share/velmo-mouse/resources.cfg" ]; then
  cached=$user_home/.cache/velmo-mouse/resources.cfg
  grep -q "^Zip=$prefix/share/velmo-mouse/SdkTrays.zip" "$cached" 2>/dev/null ||
    fail "the resource list in $cached does not point at the installation"
else
  # No renderer files installed: the program still looked for them in the installation.
  grep -q "NO RESOURCE LIST \"$prefix/share/velmo-mouse/resources.cfg\"" "$work/app.log" ||
    fail "the program did not look for its resources in $prefix/share/velmo-mouse"
fi
grep -q -i "cannot\|could not" "$work/app.log" && fail "complaints in the log: $(grep -i -m3 "cannot\|could not" "$work/app.log")"

if [ "$status" = 0 ]; then
  echo "install-check: the installed program ran $((${VELMO_INSTALL_CHECK_SECONDS:-6})) s on the installed simulator ($moves pointer positions) and saved $settings"
  echo "install-check: the tutorial opened from the tray menu with ${module#$prefix/} loaded then"
else
  echo "--- program log"; tail -20 "$work/app.log"; echo "--- simulator log"; tail -5 "$work/handsim.log"
  echo "--- program log, tutorial"; tail -10 "$work/app-tutorial.log"
fi
exit $status
