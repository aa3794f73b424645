#!/usr/bin/env bash
# Runs the plain build's tests as an ordinary user, the way people run a desktop program: run by
# root (as CI is), it makes the user velmo-ci if there is none, gives it a copy of the source and of
# the built tests it can write to, and runs ctest there as that user. The programs are not rebuilt.
# Usage: scripts/test-as-user.sh [BUILD_DIR]   (default: build)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$here/${1:-build}" && pwd)
user=${VELMO_TEST_USER:-velmo-ci}

[ "$(id -u)" -eq 0 ] || { echo "test-as-user: run as root (as an ordinary user, plain ctest already is this test)" >&2; exit 2; }
if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user"
fi
home=$(getent passwd "$user" | cut -d: -f6)

work=$(mktemp -d /tmp/velmo-as-user.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/build"
# The source without the build trees; the build tree without objects and libraries, which the
# tests do not need.
tar -C "$here" --exclude=./.git --exclude='./build*' --exclude=./out -cf - . | tar -C "$work/src" -xf -
tar -C "$build" --exclude='*.o' --exclude='*.a' -cf - . | tar -C "$work/build" -xf -
# ctest's lists name the trees by their absolute paths.
find "$work/build" -name CTestTestfile.cmake -exec sed -i -e "s#$build#$work/build#g" -e "s#$here#$work/src#g" {} +
chown -R "$user": "$work"
chmod 0755 "$work"

# The test programs start velmo-mouse and velmo-handsim from the tree they were built in.
if ! runuser -u "$user" -- test -x "$build/src/app/velmo-mouse"; then
  echo "test-as-user: $user cannot reach $build; make the path readable to other users" >&2
  exit 1
fi

echo "== plain tests as the ordinary user $user =="
cd "$work/build"
runuser -u "$user" -- env -i PATH="$PATH" HOME="$home" USER="$user" LOGNAME="$user" LANG=C.UTF-8 \
  ctest --output-on-failure -j"$(nproc)" "${@:2}"
