#!/usr/bin/env bash
# The FFmpeg decoder for Windows (m4playerApi.dll under wine) against the
# Linux one (libm4playerApi.so) on the same streams, in one run: decoder_race
# (bench/decoder/DecoderRace.cpp) built for both, run alternately, file-mode
# pictures a second and live latency, medians over the runs and the ratios.
# Not part of the test command; takes about 2 minutes per run.
#
#   scripts/bench-windows.sh
#
# Environment: KELO_RACE_RUNS (runs of each side, default 5), KELO_JOBS
# (parallel compile jobs, default 2), KELO_WIN_BUILD_DIR (the Windows build,
# default build-win32; FFmpeg is built into it once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${KELO_JOBS:-2}
runs=${KELO_RACE_RUNS:-5}
linux=$root/build-bench
windows=${KELO_WIN_BUILD_DIR:-$root/build-win32}

"$root/scripts/install-packages.sh" build windows decoder bench

# Configured as scripts/bench.sh configures it, so that the two share the
# build: no generator of its own, which CMake would refuse for a tree that
# bench.sh made with another.
cmake -S "$root" -B "$linux" -DCMAKE_BUILD_TYPE=Release -DKELO_BUILD_BENCH=ON \
  -DKELO_BUILD_TESTS=ON >/dev/null
cmake --build "$linux" -j "$jobs" --target decoder_race m4stream >/dev/null
# The Windows build as the Windows suite configures it, with the benchmarks.
repo=$root build=$windows
# shellcheck source=scripts/windows-build.sh
source "$root/scripts/windows-build.sh"
windows_ffmpeg >/dev/null
windows_configure -DKELO_BUILD_BENCH=ON
cmake --build "$windows" -j "$jobs" --target decoder_race >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/kelo-race.XXXXXX")
# shellcheck source=scripts/wine-prefix.sh
source "$root/scripts/wine-prefix.sh"
start_wine_prefix "$work/wine" "$work"

# 20 s (500 pictures at 25/s) of testsrc2, each stream twice: with the end
# marker for file mode, without (as a camera sends) for live mode.
ffmpeg=(ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi)
h264=(-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -pix_fmt yuv420p)
"${ffmpeg[@]}" -i testsrc2=size=352x288:rate=25 "${h264[@]}" -b:v 512k -frames:v 500 \
  -f mpegts "$work/cif-h264-ts"
"${ffmpeg[@]}" -i testsrc2=size=704x576:rate=25 "${h264[@]}" -b:v 2M -frames:v 500 \
  -f mpegts "$work/d1-h264-ts"
"${ffmpeg[@]}" -i testsrc2=size=352x288:rate=25 -c:v mpeg2video -g 12 -bf 0 -b:v 1M \
  -frames:v 500 -f vob "$work/cif-mpeg2-ps"
names=(cif-h264-ts d1-h264-ts cif-mpeg2-ps)
files=()
lives=()
for name in "${names[@]}"; do
  "$linux/bin/m4stream" "$work/$name" "$work/$name.kst" >/dev/null
  "$linux/bin/m4stream" "$work/$name" "$work/$name-live.kst" --no-end-marker >/dev/null
  files+=("$work/$name.kst")
  lives+=("$work/$name-live.kst")
done

# Alternately, so that both sides see the same load of the machine.
results=$work/results.txt
for run in $(seq "$runs"); do
  echo "run $run of $runs, load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
  {
    "$linux/bin/decoder_race" file "${files[@]}" | sed 's/^/linux /'
    wine "$windows/ffmpeg-decoder/decoder_race.exe" file "${files[@]}" | tr -d '\r' | sed 's/^/wine /'
    "$linux/bin/decoder_race" live "${lives[@]}" | sed 's/^/linux /'
    wine "$windows/ffmpeg-decoder/decoder_race.exe" live "${lives[@]}" | tr -d '\r' | sed 's/^/wine /'
  } >>"$results"
done

# Medians over the runs, the Windows figure over the Linux one.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { # side mode stream key
  awk -v side="$1" -v mode="$2" -v stream="$3" -v key="$4" \
    '$1 == side && $2 == mode && $3 == stream { for (i = 4; i < NF; ++i) if ($i == key) print $(i + 1) }' \
    "$results" | median
}
echo "Medians of $runs alternate runs (all results: printed below)"
echo
echo "| stream | Linux pictures/s | wine pictures/s | Linux / wine |"
echo "|---|---:|---:|---:|"
for name in "${names[@]}"; do
  l=$(field linux file "$name.kst" fps)
  w=$(field wine file "$name.kst" fps)
  echo "| $name | $l | $w | $(awk -v l="$l" -v w="$w" 'BEGIN { printf "%.2fx", l / w }') |"
done
echo
echo "| stream | Linux median | Linux 99th | wine median | wine 99th | wine / Linux median | not shown at the start, Linux / wine |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for name in "${names[@]}"; do
  stream=$name-live.kst
  lm=$(field linux live "$stream" median_ms)
  lp=$(field linux live "$stream" p99_ms)
  wm=$(field wine live "$stream" median_ms)
  wp=$(field wine live "$stream" p99_ms)
  ll=$(field linux live "$stream" lost_at_start)
  wl=$(field wine live "$stream" lost_at_start)
  echo "| $name | $lm ms | $lp ms | $wm ms | $wp ms | $(awk -v l="$lm" -v w="$wm" 'BEGIN { printf "%.2fx", w / l }') | $ll / $wl |"
done
echo
cat "$results"
