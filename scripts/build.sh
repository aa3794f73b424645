#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures (once) and builds into DIR.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
cmake -S "$here" -B "$here/$dir" "$@" >/dev/null
cmake --build "$here/$dir" -j"$(nproc)"
