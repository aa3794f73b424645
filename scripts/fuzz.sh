#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DVELMO_FUZZ=ON, into build-fuzz/) and runs each fuzz_*
# program for a bounded time or number of inputs, starting from its seeds in tests/fuzz/corpus/.
# The growing corpus and any crashing input land in out/fuzz/NAME/ (the seeds stay as they are).
# Usage: scripts/fuzz.sh [--seconds N | --runs N] [--jobs J] [NAME...]      (default: --seconds 30)
# Exits non-zero when a target finds a crash, a leak or undefined behaviour (docs/fuzzing.md).
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
limit=(-max_total_time=30)
jobs=1
names=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    -h|--help) sed -n 2,6p "$0"; exit 0 ;;
    *) names+=("$1"); shift ;;
  esac
done
build=${VELMO_FUZZ_BUILD_DIR:-$here/build-fuzz}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVELMO_FUZZ=ON \
  -DVELMO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" --target fuzz_all >/dev/null || { echo "fuzz: build failed" >&2; exit 1; }

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$here/tests/support/ubsan.supp"
export QT_QPA_PLATFORM=offscreen
[ ${#names[@]} -gt 0 ] || mapfile -t names < <(find "$build/tests/fuzz" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
status=0
for name in "${names[@]}"; do
  prog=$build/tests/fuzz/$name
  [ -x "$prog" ] || { echo "fuzz: no program $prog" >&2; status=1; continue; }
  work=$here/out/fuzz/$name
  mkdir -p "$work/corpus" "$work/crashes"
  rm -f "$work"/fuzz-*.log
  dict=$here/tests/fuzz/$name.dict
  [ -f "$dict" ] || dict=$here/tests/fuzz/fuzz.dict
  seeds=$here/tests/fuzz/corpus/$name
  echo "== $name (${limit[*]}) =="
  parallel=()
  [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
  (cd "$work" && "$prog" "${limit[@]}" "${parallel[@]}" -dict="$dict" -artifact_prefix="$work/crashes/" \
    -print_final_stats=1 "$work/corpus" "$seeds" >"$work/log" 2>&1)
  rc=$?
  # With several jobs each worker logs to fuzz-N.log beside the corpus.
  cat "$work"/fuzz-*.log >>"$work/log" 2>/dev/null
  runs=$(grep -h -E "^stat::number_of_executed_units" "$work/log" "$work"/fuzz-*.log 2>/dev/null | awk '{n += $2} END {print n + 0}')
  rss=$(grep -h -E "^stat::peak_rss_mb" "$work/log" "$work"/fuzz-*.log 2>/dev/null | awk '$2 > m {m = $2} END {print m + 0}')
  echo "$name: $runs inputs run, peak RSS $rss MB, corpus $(ls "$work/corpus" | wc -l) files"
  if [ $rc != 0 ]; then
    echo "fuzz: $name failed (exit $rc); input and log in $work" >&2
    grep -m20 -E "ERROR|SUMMARY|check failed|#[0-9] 0x" "$work/log" >&2
    status=1
  fi
done
exit $status
