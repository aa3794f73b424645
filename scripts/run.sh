#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job (see scripts/main-job.sh).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec scripts/main-job.sh "$@"
