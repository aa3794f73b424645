#!/usr/bin/env bash
# Runs the plain build's tests as an ordinary user, the way people run a desktop program: run by
# root (as CI is), it makes the user velmo-ci if there is none, gives it a copy of the checkout and
# of the built tests that it owns, and runs ctest there as that user. The copy is seen at the
# checkout's own path (the test programs name it) in a mount namespace of its own, so the checkout
# may lie where velmo-ci cannot go (/root, mode 700). The programs are not rebuilt.
# Usage: scripts/test-as-user.sh [BUILD_DIR [CTEST ARGS...]]   (default: build, inside the checkout)
# Exit status: ctest's; 77 when the run cannot be arranged here (the reason on standard error).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$here/${1:-build}" && pwd)
user=${VELMO_TEST_USER:-velmo-ci}
skip() { echo "test-as-user: skipped: $*" >&2; exit 77; }

[ "$(id -u)" -eq 0 ] || { echo "test-as-user: run as root (as an ordinary user, plain ctest already is this test)" >&2; exit 2; }
case "$build/" in "$here"/*) ;; *) skip "the build tree $build is not inside the checkout $here" ;; esac
# (In a chroot whose root is no mount point of its own, unshare cannot make the new namespace's
# mounts private, and mounts made there could reach the outside: no run then.)
why=$(unshare -m true 2>&1) || skip "no private mount namespace can be made here (${why:-unshare -m failed})"
if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user" || skip "the user $user cannot be made"
fi
home=$(getent passwd "$user" | cut -d: -f6)

work=$(mktemp -d /tmp/velmo-as-user.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
mkdir "$work/tree"
# The checkout without its history, other build trees and outputs; the build tree without objects
# and libraries, which the tests do not need.
rel=${build#"$here"/}
tar -C "$here" --exclude=./.git --exclude='./build*' --exclude=./out -cf - . | tar -C "$work/tree" -xf -
mkdir -p "$work/tree/$rel"
tar -C "$build" --exclude='*.o' --exclude='*.a' -cf - . | tar -C "$work/tree/$rel" -xf -
chown -R "$user": "$work/tree"

# The highest folder on the way to the checkout that the user cannot pass: in the namespace an empty
# one takes its place, holding only the way to the copy.
blocked=""
dir=""
IFS=/ read -r -a parts <<<"${here#/}"
for part in "${parts[@]}"; do
  dir="$dir/$part"
  if ! runuser -u "$user" -- test -x "$dir"; then blocked=$dir; break; fi
done

echo "== plain tests as the ordinary user $user (a copy seen at $here) =="
cd /
unshare -m sh -c '
  set -e
  work=$1 here=$2 blocked=$3; shift 3
  if [ -n "$blocked" ]; then
    mount -t tmpfs -o mode=755 velmo-as-user "$blocked"
    mkdir -p "$here"
  fi
  mount --bind "$work/tree" "$here"
  exec "$@"' sh "$work" "$here" "$blocked" \
  runuser -u "$user" -- env -i PATH="$PATH" HOME="$home" USER="$user" LOGNAME="$user" LANG=C.UTF-8 \
  sh -c 'cd "$1" && shift && exec ctest --output-on-failure -j"$(nproc)" "$@"' sh "$build" "${@:2}" && rc=0 || rc=$?
exit $rc
