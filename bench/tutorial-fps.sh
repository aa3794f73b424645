#!/usr/bin/env bash
# Tutorial frames per second under Xvfb with Mesa's software GL, the window at the main display's
# size, for each screen size given (default 1280x800 and 1920x1080). Each run also reports the
# bare clear-and-present frame of the same window as its baseline.
# Usage: bench/tutorial-fps.sh [BUILD_DIR] [WxH...]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
[ $# -gt 0 ] && shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x800 1920x1080)
for size in "${sizes[@]}"; do
  echo "== screen $size =="
  QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none \
    "$here/tests/support/with-xvfb.sh" --size "$size" "$build/bench/bench_tutorial" --benchmark_counters_tabular=true
done
