#!/usr/bin/env bash
# Builds the Linux targets with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs every test that does not need Wine there.
# AddressSanitizer and leak reports go to files and fail the run, listed at
# the end, also from a program whose exit status a test does not look at.
# Undefined behaviour halts the program with status 1 and its report on the
# program's stderr (GCC's UBSan runtime ignores log_path next to ASan's), which
# the tests see as a failed run.
#   scripts/test-sanitizers.sh              build and run them all
#   scripts/test-sanitizers.sh -R window    extra arguments go to ctest
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build-asan}
cd "$ROOT"
scripts/setup.sh

LOG_DIR="$BUILD_DIR/sanitizer-reports"
rm -rf "$LOG_DIR"
mkdir -p "$LOG_DIR"
# Exported before the build too: test discovery runs the test programs.
# Every program the tests start inherits these, the Python-driven ones
# included, and so do the window program and the settings module that
# `scriblane` execs and loads. Allocations get full stacks
# (fast_unwind_on_malloc=0): the system libraries have no frame pointers, and
# the leak suppressions name the library function that allocated.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0:check_initialization_order=1:strict_init_order=1:log_path=$LOG_DIR/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$LOG_DIR/ubsan"
export LSAN_OPTIONS="suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0"

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSCRIBLANE_TESTS=ON -DSCRIBLANE_SANITIZE=ON >/dev/null
cmake --build "$BUILD_DIR"

# The Windows build's tests that run under Wine are left out; its natively
# built text tests (win32.<suite>.<case>) stay in.
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 \
  -E '^win32\.(exe_static|wine_)' "$@" || status=$?

reports=("$LOG_DIR"/*)
if [ -e "${reports[0]}" ]; then
  for r in "${reports[@]}"; do
    echo "==== sanitizer report $r"
    cat "$r"
  done
  echo "test-sanitizers: ${#reports[@]} sanitizer report(s), listed above" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
