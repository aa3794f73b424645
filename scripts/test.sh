#!/usr/bin/env bash
# Sets everything up, builds and runs every test: a plain build (and its installed copy run on the
# simulator), then the same suite under AddressSanitizer + UndefinedBehaviorSanitizer, then the
# threaded tests under ThreadSanitizer, then each fuzz target for 30 s. Run as root (as CI is), the
# plain tests run a second time as an ordinary user, as people run the program
# (scripts/test-as-user.sh).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
scripts/setup.sh
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$here/tests/support/ubsan.supp"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tests/support/tsan.supp"
jobs=$(nproc)
status=0

echo "== plain build =="
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest --output-on-failure -j"$jobs") || status=1
if [ "$(id -u)" -eq 0 ]; then
  scripts/test-as-user.sh build || status=1
fi
scripts/install-check.sh build || status=1

echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_BUILD_BENCH=OFF
(cd build-asan && ctest --output-on-failure -j"$jobs") || status=1

echo "== ThreadSanitizer (threaded tests) =="
scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMO_TSAN=ON -DVELMO_BUILD_BENCH=OFF
(cd build-tsan && ctest --output-on-failure -j"$jobs" -L tsan) || status=1

echo "== fuzzing (30 s each) =="
scripts/fuzz.sh --seconds 30 || status=1

exit $status
