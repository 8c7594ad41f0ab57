#!/usr/bin/env bash
# Builds Foldermate with a sanitizer and runs every test under it:
#   bash scripts/sanitize.sh address   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   bash scripts/sanitize.sh thread    ThreadSanitizer, in build-tsan/
# Installs what is missing first, like scripts/test.sh. Any finding fails the test that made it.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
case "$kind" in
  address) dir=build-asan; option=-DFM_SANITIZE=ON ;;
  thread)  dir=build-tsan; option=-DFM_TSAN=ON ;;
  *) echo "usage: bash scripts/sanitize.sh address|thread" >&2; exit 2 ;;
esac
FM_BUILD_DIR=$dir FM_CMAKE_ARGS="$option ${FM_CMAKE_ARGS:-}" bash scripts/setup.sh
cd "$dir"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# die_after_fork=0: tests that ran a scan (whose look-ahead threads have ended) still start
# helper programs; the child only executes another program.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$PWD/../tests/tsan.supp"
# The install check builds and installs a package of the program: it says nothing more
# under a sanitizer and is left to the ordinary build.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 -E '^tst_install$'
