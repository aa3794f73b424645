#!/usr/bin/env bash
# Sets everything up, builds and runs every test, phase by phase: the plain build's tests; as root,
# the same tests again as an ordinary user (scripts/test-as-user.sh); the plain build installed and
# run with the build tree out of reach (scripts/install-check.sh); the suite under AddressSanitizer
# + UndefinedBehaviorSanitizer; the threaded tests under ThreadSanitizer; each fuzz target for 30 s
# (scripts/fuzz.sh). Four build trees: build/, build-asan/, build-tsan/, build-fuzz/.
# A failing phase does not stop the others. It ends with one line per phase and its verdict; the
# exit status is 0 when none failed.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$here/tests/support/ubsan.supp"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tests/support/tsan.supp"
jobs=$(nproc)
summary=()
failed=0

# phase NAME COMMAND...: runs one phase and keeps its verdict (exit 77: skipped, the reason on the
# phase's last line of standard error).
phase() {
  local name=$1 start=$SECONDS rc verdict errors
  shift
  echo "== $name =="
  errors=$(mktemp)
  # Standard error is kept too, for a skipped phase's reason.
  { "$@" 2>&1 1>&3 | tee "$errors" >&2; } 3>&1
  rc=${PIPESTATUS[0]}
  case $rc in
    0) verdict="passed" ;;
    77) verdict="skipped ($(grep -v '^\s*$' "$errors" | tail -1 | sed 's/^[^:]*: skipped: //'))" ;;
    *) verdict="FAILED (exit $rc)"; failed=1 ;;
  esac
  rm -f "$errors"
  summary+=("$(printf '%-16s %s, %d s' "$name:" "$verdict" $((SECONDS - start)))")
}

build_and_test() {
  local dir=$1; shift
  local ctest_args=()
  while [ "$1" != -- ]; do ctest_args+=("$1"); shift; done
  shift
  scripts/build.sh "$dir" "$@" || { echo "test: the build of $dir failed" >&2; return 1; }
  (cd "$dir" && ctest --output-on-failure -j"$jobs" "${ctest_args[@]}")
}

as_user() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "test: skipped: the plain phase already ran as the ordinary user $(id -un)" >&2
    return 77
  fi
  scripts/test-as-user.sh build
}

scripts/setup.sh || { echo "test: setup failed; nothing was built" >&2; exit 1; }
phase "plain" build_and_test build -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
phase "as-user" as_user
phase "install check" scripts/install-check.sh build
phase "ASan/UBSan" build_and_test build-asan -- -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_BUILD_BENCH=OFF
phase "TSan" build_and_test build-tsan -L tsan -- -DCMAKE_BUILD_TYPE=Debug -DVELMO_TSAN=ON -DVELMO_BUILD_BENCH=OFF
phase "fuzzing" scripts/fuzz.sh --seconds 30

echo "== summary =="
printf '%s\n' "${summary[@]}"
exit $failed
