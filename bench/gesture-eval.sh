#!/bin/sh
# The gesture evaluator's full corpus: every scenario at the three controller positions, with both
# hands, in VARIANTS seeded variations each (hand scale 0.8-1.2, pinch time 0.1-0.4 s, noise
# 0-1.5 mm), then each real-hands recording once. Prints a table per scenario family, the totals
# and a line per recording (docs/gesture-eval.md).
#   bench/gesture-eval.sh [BUILD-DIR] [VARIANTS] [SEED]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
exec env QT_QPA_PLATFORM=offscreen DISPLAY= "$build/tools/gesture-eval/velmo-gesture-eval" \
    --variants "${2:-6}" --seed "${3:-1}" --verbose --recordings "$here/tools/gesture-eval/recordings" \
    "$here/tools/gesture-eval/corpus"
