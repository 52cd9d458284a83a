#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ and runs each for a bounded time
# (KELO_FUZZ_SECONDS, default 60) from the seeds in fuzz/corpus/<target>/,
# one process at a time.
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
[[ ${#targets[@]} -gt 0 ]] || targets=(config_file_fuzzer player_fuzzer decoder_fuzzer)

# Clang and its libFuzzer and sanitizer runtimes; FFmpeg, X11 and ALSA for
# the decoder.
"$root/scripts/install-packages.sh" build fuzz decoder

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
  # The decoder's inputs are streams: room for its largest seeds, and a
  # stuck port (its threads waiting on each other) reported as a hang.
  limits=()
  [[ $target == decoder_fuzzer ]] && limits=(-max_len=32768 -timeout=30)
  echo "== $target for ${seconds}s"
  if ! "$build/bin/$target" -max_total_time="$seconds" -print_final_stats=1 "${limits[@]}" \
      -artifact_prefix="$build/findings/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: FINDING (log $log, input in $build/findings/)"
    status=1
    continue
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|Done|stat::(average_exec_per_sec|new_units_added))' "$log"
  echo "$target: no findings"
done
exit $status
