#!/usr/bin/env bash
# The main job: what the built program can do so far.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
echo "Velmo Mouse is built in $here/build."
