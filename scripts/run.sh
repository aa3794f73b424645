#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job (see scripts/main-job.sh).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup.sh
# The build's progress goes to a log; only a failure shows it.
mkdir -p build
log=build/velmo-build.log
echo "Building into build/ (progress in $log) ..."
if ! scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "run: the build failed; the whole log is $log" >&2
  exit 1
fi
exec scripts/main-job.sh "$@"
