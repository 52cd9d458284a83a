#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ and runs each for a bounded time
# (KELO_FUZZ_SECONDS, default 60) from the seeds in fuzz/corpus/<target>/.
# New inputs go to build-fuzz/corpus/, findings to build-fuzz/findings/; any
# finding makes the script fail.
#
#   scripts/fuzz.sh                      every target
#   scripts/fuzz.sh player_fuzzer        one of them
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KELO_JOBS:-2}
seconds=${KELO_FUZZ_SECONDS:-60}
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(config_file_fuzzer player_fuzzer)

# Clang and its libFuzzer and sanitizer runtimes.
"$root/scripts/install-packages.sh" build fuzz

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELO_BUILD_FUZZ=ON -DKELO_BUILD_TESTS=OFF -DKELO_SANITIZE=address,undefined >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
  seeds=$root/fuzz/corpus/${target%_fuzzer}
  corpus=$build/corpus/$target
  log=$build/findings/$target.log
  mkdir -p "$corpus"
  echo "== $target for ${seconds}s"
  if ! "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/findings/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: FINDING (log $log, input in $build/findings/)"
    status=1
    continue
  fi
  grep -E '^(Done|stat::(average_exec_per_sec|new_units_added))' "$log"
  echo "$target: no findings"
done
exit $status
