#!/usr/bin/env bash
# Runs the Linux test suite under AddressSanitizer with UndefinedBehaviorSanitizer
# and under ThreadSanitizer, each in a build directory of its own beside the
# normal one. Exits non-zero on any failed test or sanitizer report.
#
# Under ThreadSanitizer the whole suite runs, not only the tests whose subject
# is threads (the stress test, entries from many threads, frames on the
# decoder's thread, the capture hand-over): it takes seconds, and a new test
# that starts threads is covered without being named here.
#
#   scripts/test-sanitizers.sh            both builds
#   scripts/test-sanitizers.sh asan|tsan  one of them
#
# Needs what the plain suite needs: the sanitizer runtimes (libasan,
# libubsan, libtsan) come with g++ on Debian. KELO_JOBS sets the build
# parallelism (default 2).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KELO_JOBS:-2}
which=${1:-all}

"$root/scripts/install-packages.sh" build decoder viewer live

# Halt on the first report so that it fails the test that caused it.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

build() {
  local dir=$1 sanitizers=$2
  cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELO_SANITIZE="$sanitizers" -DKELO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

if [[ $which == all || $which == asan ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer: all tests"
  build build-asan address,undefined
  ctest --test-dir "$root/build-asan" -j "$jobs" --timeout 300 --output-on-failure
fi

if [[ $which == all || $which == tsan ]]; then
  echo "== ThreadSanitizer: all tests"
  build build-tsan thread
  ctest --test-dir "$root/build-tsan" -j "$jobs" --timeout 300 --output-on-failure
fi
