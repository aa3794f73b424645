#!/usr/bin/env bash
# Installs a build into a temporary prefix and runs the installed program as people do: the build
# tree and the checkout out of its reach, the installation read-only, under a private X server with
# a tray host, as an ordinary user (nobody when run as root).
# Checks: the pointer moved on the installed simulator, the program quit cleanly on SIGTERM, its
# settings went to the user's configuration folder, the 3D tutorial opened from the tray menu with
# its module loaded from the installation only then and showed its scene, nothing was written into
# the installation, and nothing installed names the build tree.
# Usage: scripts/install-check.sh [BUILD_DIR [PACKAGE.deb]]     (default: build, cmake --install)
# With a package, its extracted tree is checked instead (dpkg-deb -x; nothing enters the system).
# Out of reach means: hidden in a mount namespace (as root; as an ordinary user where user
# namespaces may be made), else the build tree moved aside for the run and the installation's
# write permissions taken away. VELMO_INSTALL_CHECK_SHOT=FILE keeps a picture of the tutorial.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
deb=${2:-}

if [ "${VELMO_INSTALL_CHECK_INNER:-}" != 1 ]; then
  work=$(mktemp -d /tmp/velmo-install.XXXXXX)
  trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
  if [ -n "$deb" ]; then
    dpkg-deb -x "$deb" "$work" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
  else
    # Stripped, as the package is.
    cmake --install "$build" --prefix "$work/usr" --strip >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
  fi
  # The pointer watch runs outside, but not from the tree that is hidden.
  mkdir "$work/tools" && cp "$build/tools/xwatch/velmo-xwatch" "$work/tools/"
  chmod 755 "$work"
  export VELMO_INSTALL_CHECK_INNER=1 VELMO_INSTALL_WORK=$work
  "$here/tests/support/with-xvfb.sh" --tray "$0" "$build" "$deb"
  exit $?
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

# How the build tree is kept out of reach.
hidden=("$build")
case "$build/" in "$here"/*) hidden=("$here") ;; *) hidden+=("$here") ;; esac
cat >"$work/hide.sh" <<'EOF'
#!/bin/sh
# In a mount namespace of its own: PREFIX read-only, the folders after it hidden, then the command.
set -e
prefix=$1; shift
while [ "$1" != -- ]; do mount -t tmpfs -o size=1m,mode=755 velmo-hidden "$1"; shift; done
shift
mount --bind "$prefix" "$prefix"
mount -o remount,bind,ro "$prefix"
exec "$@"
EOF
chmod 755 "$work/hide.sh"
hide=()
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  how="hidden in a mount namespace"
  hide=(unshare -m "$work/hide.sh" "$prefix" "${hidden[@]}" --)
elif unshare -rm true 2>/dev/null; then
  how="hidden in a user and mount namespace"
  # Mounted as the namespace's root, then run as the user again.
  hide=(unshare -rm "$work/hide.sh" "$prefix" "${hidden[@]}" -- unshare --map-user="$(id -u)" --map-group="$(id -g)")
else
  how="moved aside"
  aside="$build.hidden-$$"
  mv "$build" "$aside" || { echo "install-check: cannot move $build aside" >&2; exit 1; }
  trap 'mv "$aside" "$build"' EXIT
  chmod -R a-w "$prefix"
fi
# Started in the background: the job's process is the program itself.
installed() { exec "${hide[@]}" "${as[@]}" "${run_env[@]}" "$@"; }

# The scene's pixels: the tutorial's window is a large one (not a message box) and more than a
# black or blank rectangle.
scene_shown() {
  local stats WIDTH=0 HEIGHT=0
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)"
  [ "$WIDTH" -ge 640 ] && [ "$HEIGHT" -ge 400 ] || return 1
  stats=$(timeout 20 import -window "$1" -depth 8 png:- 2>/dev/null | convert png:- -format "%k %[fx:mean]" info: 2>/dev/null)
  [ -n "$stats" ] && awk -v s="$stats" 'BEGIN { split(s, v, " "); exit !(v[1] >= 64 && v[2] > 0.03 && v[2] < 0.97) }'
}

installed "$prefix/bin/velmo-handsim" --loop "$prefix/share/velmo-mouse/scenarios/main-demo.txt" \
  >"$work/handsim.log" 2>&1 &
sim=$!
"$work/tools/velmo-xwatch" --interval 20 >"$work/xwatch.log" 2>&1 &
watch=$!
for _ in $(seq 100); do [ -S "$user_home/run/velmo-tracking.sock" ] && break; sleep 0.1; done

installed "$prefix/bin/velmo-mouse" >"$work/app.log" 2>&1 &
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
installed "$prefix/bin/velmo-mouse" >"$work/app-tutorial.log" 2>&1 &
app=$!
. "$here/scripts/tray-icon.sh"
icon=$(tray_icon "$app" 100)
tut=""
shown=0
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
  [ -n "$tut" ] || fail "the tutorial did not open from the tray menu: $(grep -m1 "TUTORIAL FAILED\|exception" "$work/app-tutorial.log")"
  [ -n "$module" ] || fail "the tutorial's module was not loaded from $prefix"
  if [ -n "$tut" ]; then
    for _ in $(seq 60); do
      grep -q "TUTORIAL FAILED" "$work/app-tutorial.log" && break
      scene_shown "$tut" && { shown=1; break; }
      sleep 0.5
    done
    [ "$shown" = 1 ] || fail "the tutorial's window shows no scene: $(grep -m1 "TUTORIAL FAILED\|exception" "$work/app-tutorial.log")"
    timeout 20 import -window "$tut" "$work/tutorial.png" 2>/dev/null
    [ -n "${VELMO_INSTALL_CHECK_SHOT:-}" ] && cp "$work/tutorial.png" "$VELMO_INSTALL_CHECK_SHOT"
  fi
fi
kill -TERM "$app"
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app" || fail "the installed program with the tutorial open exited with $? after SIGTERM"

written=$(find "$prefix" -newer "$work/install.log" -type f | head -5)
[ -z "$written" ] || fail "the program wrote into its installation: $written"
named=$(grep -rl -F -e "$build" -e "$here/" "$prefix" | head -5)
[ -z "$named" ] || fail "installed files name the build tree or the checkout: $named"
grep -q "^Zip=SdkTrays.zip" "$prefix/share/velmo-mouse/resources.cfg" 2>/dev/null ||
  fail "the installed resource list does not name its own SdkTrays.zip"
grep -q -i "cannot\|could not" "$work/app.log" && fail "complaints in the log: $(grep -i -m3 "cannot\|could not" "$work/app.log")"

if [ "$status" = 0 ]; then
  echo "install-check: the installed program ran $((${VELMO_INSTALL_CHECK_SECONDS:-6})) s on the installed simulator ($moves pointer positions) and saved $settings; build tree $how"
  echo "install-check: the tutorial opened from the tray menu with ${module#$prefix/} loaded then, and showed its scene"
else
  echo "install-check: build tree $how"
  echo "--- program log"; tail -20 "$work/app.log"; echo "--- simulator log"; tail -5 "$work/handsim.log"
  echo "--- program log, tutorial"; tail -10 "$work/app-tutorial.log"
fi
exit $status
