#!/usr/bin/env bash
# Runs the Linux test suite under AddressSanitizer with UndefinedBehaviorSanitizer
# (every test) and the tests that use threads under ThreadSanitizer, each in a
# build directory of its own beside the normal one. Exits non-zero on any
# failed test or sanitizer report.
#
#   scripts/test-sanitizers.sh            both builds
#   scripts/test-sanitizers.sh asan|tsan  one of them
#
# Needs only the compiler's own sanitizer runtimes (libasan, libubsan, libtsan
# come with g++ on Debian). KELO_JOBS sets the build parallelism (default 2).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KELO_JOBS:-2}
which=${1:-all}

# Tests whose subject is threads: the stress test, entries written from many
# threads, frames delivered on the decoder's thread and the capture hand-over.
concurrency='Stress|Thread|Capture|Deliver|Callback|Concurren'

# Halt on the first report so that it fails the test that caused it.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

build() {
  local dir=$1 sanitizers=$2
  cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELO_SANITIZE="$sanitizers" -DKELO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

if [[ $which == all || $which == asan ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer: all tests"
  build build-asan address,undefined
  ctest --test-dir "$root/build-asan" -j "$jobs" --output-on-failure
fi

if [[ $which == all || $which == tsan ]]; then
  echo "== ThreadSanitizer: tests that use threads"
  build build-tsan thread
  ctest --test-dir "$root/build-tsan" -j "$jobs" --output-on-failure -R "$concurrency" \
    --no-tests=error
fi
