#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/), runs them and prints each
# measurement beside its floor, then the system calls of one log entry
# against those of its open-write-close floor (counted with strace).
# Not part of the test command.
#
#   scripts/bench.sh [extra Google Benchmark flags]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KELO_JOBS:-2}
repetitions=${KELO_BENCH_REPETITIONS:-10}
build=$root/build-bench

"$root/scripts/install-packages.sh" build decoder bench

# The decoder benchmarks play the test streams, so the tests are configured
# too; only the benchmarks are built.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELO_BUILD_BENCH=ON \
  -DKELO_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$jobs" --target kelo_bench kelo_entry_syscalls decoder_bench >/dev/null

output=$build/bench-output.txt
"$build/bin/kelo_bench" --benchmark_repetitions="$repetitions" --benchmark_min_time=0.1 --benchmark_enable_random_interleaving=true \
  --benchmark_color=false "$@" >"$output"
echo "CPU time of the fastest of $repetitions repetitions (all runs: $output)"
sed -n '/^| operation/,$p' "$output"

# System calls per entry: the calls of writing 1000 entries less those of
# setting up and writing none, by name.
entries=1000
syscalls() {
  local mode=$1 count=$2 out
  out=$(mktemp)
  strace -f -c -o "$out" "$build/bin/kelo_entry_syscalls" "$mode" "$count"
  awk 'NF >= 5 && $4 ~ /^[0-9]+$/ && $NF != "total" { print $NF, $4 }' "$out"
  rm -f "$out"
}
per_entry() {
  local mode=$1
  join -a1 -e0 -o 0,1.2,2.2 <(syscalls "$mode" "$entries" | sort) <(syscalls "$mode" 0 | sort) |
    awk -v n="$entries" '{ d = ($2 - $3) / n; if (d >= 0.5) { total += d; list = list sprintf(" %s %g", $1, d) } }
      END { printf "%g:%s\n", total, list }'
}
echo
echo "| entry | system calls (player) | system calls (open-write-close floor) |"
echo "|---|---|---|"
for kind in trace error; do
  echo "| $kind | $(per_entry "$kind") | $(per_entry "floor-$kind") |"
done

# The FFmpeg decoder through the player: throughput against the ffmpeg tool on
# the same stream (ratio_vs_ffmpeg), time to the first picture, the CPU of
# 16 CIF channels playing in real time, and the live latency of pictures fed
# at their time (median, 99th percentile, first picture, beside the
# decode-alone floor). The live wall is scripts/bench-wall.sh.
echo
"$build/bin/decoder_bench" --benchmark_color=false --benchmark_filter=-input/ |
  sed -n '/^Benchmark/,$p'

# A block through the player against the same block handed to the FFmpeg
# decoder directly: the floor a client meets.
echo
echo "| operation | player | floor | ratio | target |"
echo "|---|---:|---:|---:|---|"
"$build/bin/decoder_bench" --benchmark_filter=^input/ --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_format=csv 2>/dev/null |
  awk -F, '$1 ~ /^"input\// && $1 !~ /_(mean|median|stddev|cv)"$/ {
      cpu = $4 + 0
      if ($1 ~ /direct/) { if (floor == 0 || cpu < floor) floor = cpu }
      else { if (player == 0 || cpu < player) player = cpu } }
    END { ratio = player / floor
      printf "| Play_InputData 4 KiB, FFmpeg decoder | %.0f ns | %.0f ns | %.2fx | <= 1.05x %s |\n",
        player, floor, ratio, ratio <= 1.05 ? "met" : "MISSED" }'
