#!/usr/bin/env bash
# End-to-end benchmark of the running program: frame written -> X event latency (pointer motion and
# a pinch's button press), CPU and wake-ups per frame, pointer motions with a still hand and resident
# memory, for velmo-mouse and, in the same run, a single-threaded C client that reads the same
# socket and posts one XTest motion per frame (the floor), and the same client posting only changed
# positions (the like-for-like floor for latency; see bench/e2e/e2e_latency.py). Prints a markdown table.
#   bench/e2e-latency.sh [BUILD_DIR [FPS [ROUNDS]]]   (defaults: build, 120, 2; a Release build)
# Needs the targets velmo-mouse, velmo-handsim, e2e-xi-recorder and e2e-floor-client; starts its own
# Xvfb and tray host (tests/support/with-xvfb.sh). Takes about 80 s a round.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
fps=${2:-120}
exec "$here/tests/support/with-xvfb.sh" --tray python3 "$here/bench/e2e/e2e_latency.py" "$build" "$fps" "${3:-2}"
