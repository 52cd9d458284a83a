#!/usr/bin/env bash
# The live wall: many channels of one stream in the demo viewer's grid, on a
# virtual X server of its own, for WALL_SECONDS (default 30). With
# WALL_FEED=udp (the default) each tile is a camera: an ffmpeg process sends
# the stream in real time, looping, to a loopback UDP port of its own, and
# the tile plays it in live mode; with WALL_FEED=file the tiles play the
# stream file, paced by the decoder. For each case it reports the pictures
# shown per second per tile (lowest and mean, from the viewer's progress
# lines after the first 6 s), for live tiles the highest median latency and
# the pictures dropped in all, the CPU of the viewer and of the X server
# separately (in cores, measured from 6 s to the end; the senders are not
# counted), the viewer's memory (resident, and per channel beyond a
# one-tile run) and the machine's load average before the run. Not part of
# the test command.
#
# WALL_SYSTEM=windows plays the same streams in the Windows viewer
# (kelo_demo_viewer.exe, built with mingw-w64 as scripts/test-windows.sh
# builds it) under wine, on the same kind of X server, and counts the wine
# server's CPU beside the viewer's; WALL_SYSTEM=both plays each case in both
# viewers, turn about (WALL_ROUNDS times, the order reversed every other
# round), and gives Windows' CPU against Linux' after each pair.
#
#   scripts/bench-wall.sh [CASE...]
#     d1-h264-32     32 channels of D1 H.264, 2 Mbit/s, 25/s, in a 6 x 6 grid
#     d1-h264-16     16 channels of the same in a 4 x 4 grid
#     1080p-h264-9   9 channels of 1080p H.264 in a 3 x 3 grid
#     1080p-h264-16  16 channels of the same in a 4 x 4 grid (beyond what two
#                    cores decode: each tile shows what its channel keeps up with)
#     1080p-h265-4   4 channels of 1080p H.265 in a 2 x 2 grid
#   (default: d1-h264-32 and the 1080p cases; with WALL_SYSTEM windows or
#   both, the two D1 cases). BUILD_DIR (default build-wall), WALL_SECONDS,
#   WALL_FEED (udp or file), WALL_QUALITY (the viewer's --quality: full, the
#   default, or fast), WALL_SYSTEM (linux, the default, windows or both),
#   WALL_ROUNDS (default 1), KELO_WIN_BUILD_DIR (default build-win32).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-wall}
seconds=${WALL_SECONDS:-30}
feed=${WALL_FEED:-udp}
quality=${WALL_QUALITY:-full}
rounds=${WALL_ROUNDS:-1}
warmup=6
# CPU is measured from the warm-up to a second before the viewer ends.
span=$((seconds - warmup - 1))
case ${WALL_SYSTEM:-linux} in
  linux) systems=(linux) ;;
  windows) systems=(windows) ;;
  both) systems=(linux windows) ;;
  *) echo "WALL_SYSTEM is linux, windows or both" >&2; exit 2 ;;
esac
cases=("$@")
if [[ ${#cases[@]} -eq 0 ]]; then
  cases=(d1-h264-32 1080p-h264-9 1080p-h265-4)
  [[ ${systems[*]} != linux ]] && cases=(d1-h264-16 d1-h264-32)
fi
windows=false
[[ ${systems[*]} == *windows* ]] && windows=true

groups=(build decoder viewer demo bench)
$windows && groups+=(windows)
"$root/scripts/install-packages.sh" "${groups[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target kelo_demo_viewer m4stream m4playerApi_ffmpeg >/dev/null

if $windows; then
  win_build=${KELO_WIN_BUILD_DIR:-$root/build-win32}
  # The Windows viewer with its DLLs, built as the Windows suite builds them
  # (windows-build.sh takes the build directory as $build: a shell of its own).
  # shellcheck disable=SC2016  # expanded by that shell
  bash -c 'repo=$1 build=$2 jobs=2
    source "$repo/scripts/windows-build.sh"
    windows_ffmpeg >/dev/null
    windows_configure
    cmake --build "$build" -j "$jobs" --target kelo_demo_viewer >/dev/null' - "$root" "$win_build"
  windows_viewer=$win_build/ffmpeg-decoder/kelo_demo_viewer.exe
  # Each run starts a wine server of its own (see play): the prefix is made
  # with none left running.
  # shellcheck source=scripts/wine-prefix.sh
  source "$root/scripts/wine-prefix.sh"
  make_wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/kelo-wall-wine.XXXXXX")"
fi
# The prefix's drive Z: is the Linux file system.
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }

streams=$build/wall-streams
mkdir -p "$streams"
# make NAME SIZE ENCODER...: twenty seconds of a moving test picture.
make_stream() {
  local name=$1 size=$2
  shift 2
  [[ -s $streams/$name.kst ]] && return
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=$size:rate=25" \
    -t 20 "$@" -pix_fmt yuv420p -f mpegts "$streams/$name.ts"
  "$build/bin/m4stream" "$streams/$name.ts" "$streams/$name.kst" >/dev/null
}

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
resident_mb() { awk '/VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }
# calc EXPRESSION [PLACES]: its value to PLACES places (default two).
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }
# cores TICKS: CPU ticks over the measured span, in cores.
cores() { calc "$1 / $ticks / $span"; }

# stop_run: stops play's X server and senders.
stop_run() {
  kill "$xvfb" "${senders[@]}" 2>/dev/null || true
  wait "$xvfb" "${senders[@]}" 2>/dev/null || true
}
# still_running PROCESS...: ends the script, with what the viewer printed,
# when one of play's processes has ended before its time (so that its CPU
# cannot be read); a wine server that ends at once has found another one
# running in the prefix.
still_running() {
  local process
  for process in "$@"; do
    kill -0 "$process" 2>/dev/null && continue
    kill "$viewer" 2>/dev/null || true
    stop_run
    echo "bench-wall.sh: process $process of the $system run in $out ended before its time; the viewer printed:" >&2
    tail -n 20 "$out/viewer.txt" >&2
    exit 1
  done
}

# play SYSTEM STREAM GRID TILES: runs the viewer of SYSTEM (linux or
# windows); sets shown_min, shown_mean, latency_max, latency_p99, dropped, viewer_cores,
# server_cores (the wine server's, "-" for linux), x_cores, rss_mb, load
# (the machine's load average over the minute before).
play() {
  local system=$1 stream=$2 grid=$3 tiles=$4 display out
  load=$(cut -d ' ' -f 1 /proc/loadavg)
  out=$build/wall-out/$(basename "$stream" .kst)-$tiles-$feed-$system
  rm -rf "$out"
  mkdir -p "$out/q81/cfg"
  # Xvfb picks a free display and writes its number.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
  local xvfb=$!
  while [[ ! -s $out/display ]]; do sleep 0.1; done
  display=$(cat "$out/display")
  local sources=("$stream") senders=()
  if [[ $feed == udp ]]; then
    sources=()
    for ((tile = 0; tile < tiles; ++tile)); do
      local port=$((30000 + ($$ % 1000) * 32 + tile))
      ffmpeg -nostdin -hide_banner -loglevel error -re -stream_loop -1 -i "${stream%.kst}.ts" \
        -c copy -f mpegts "udp://127.0.0.1:$port?pkt_size=1316" &
      senders+=($!)
      sources+=("udp://127.0.0.1:$port")
    done
  fi
  sleep 1
  local server=
  if [[ $system == linux ]]; then
    DISPLAY=":$display" Q81_DRIVE_ROOT="$out" "$build/bin/kelo_demo_viewer" --grid "$grid" \
      --seconds "$seconds" --quality "$quality" --out "$out" "${sources[@]}" >"$out/viewer.txt" 2>&1 &
  else
    # A wine server for this run alone, in the foreground so that its CPU can
    # be read: the desktop process that wine starts beside it talks to this
    # run's X server and ends with the server.
    wineserver -f -p </dev/null >/dev/null 2>&1 &
    server=$!
    local windows_sources=() source
    for source in "${sources[@]}"; do
      [[ $source == udp://* ]] || source=$(windows_path "$source")
      windows_sources+=("$source")
    done
    DISPLAY=":$display" wine "$windows_viewer" --grid "$grid" --seconds "$seconds" \
      --quality "$quality" --out "$(windows_path "$out")" "${windows_sources[@]}" \
      </dev/null >"$out/viewer.txt" 2>&1 &
  fi
  local viewer=$!
  sleep "$warmup"
  still_running "$viewer" "$xvfb" ${server:+"$server"}
  local viewer_start x_start server_start=0
  viewer_start=$(cpu_ticks "$viewer")
  x_start=$(cpu_ticks "$xvfb")
  [[ -n $server ]] && server_start=$(cpu_ticks "$server")
  sleep "$span"
  still_running "$viewer" "$xvfb" ${server:+"$server"}
  local viewer_end x_end server_end=0
  viewer_end=$(cpu_ticks "$viewer")
  x_end=$(cpu_ticks "$xvfb")
  [[ -n $server ]] && server_end=$(cpu_ticks "$server")
  rss_mb=$(resident_mb "$viewer")
  wait "$viewer" || true
  if [[ -n $server ]]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wait "$server" || true
  fi
  stop_run
  viewer_cores=$(cores $((viewer_end - viewer_start)))
  x_cores=$(cores $((x_end - x_start)))
  server_cores=-
  [[ -n $server ]] && server_cores=$(cores $((server_end - server_start)))
  # Windows programs end their lines with CR LF.
  sed -i 's/\r$//' "$out/viewer.txt"
  # Rates of the regular lines after the warm-up (the last line's interval is
  # short); latency and dropped pictures as the last line gives them.
  read -r shown_min shown_mean latency_max latency_p99 dropped < <(awk -v from="$warmup" -v to="$seconds" \
    -v tiles="$tiles" '
    /^\[ *[0-9.]+s\] ch[0-9]+ .* shown [0-9]+ \(/ {
      stamp = $0; sub(/^\[ */, "", stamp); sub(/s\].*/, "", stamp)
      match($0, / ch[0-9]+ /); channel = substr($0, RSTART + 3, RLENGTH - 4)
      if (channel + 0 >= tiles) next
      if (match($0, /latency [0-9]+ ms/)) latency[channel] = substr($0, RSTART + 8, RLENGTH - 11)
      if (stamp + 0 >= from && match($0, /p99 [0-9]+ ms/)) {
        slow = substr($0, RSTART + 4, RLENGTH - 7)
        if (slowest == "" || slow + 0 > slowest + 0) slowest = slow
      }
      if (match($0, /dropped [0-9]+/)) lost[channel] = substr($0, RSTART + 8, RLENGTH - 8)
      if (stamp + 0 < from || stamp + 0 >= to) next
      rate = $0; sub(/.* shown [0-9]+ \(/, "", rate); sub(/\/s.*/, "", rate)
      if (n == 0 || rate + 0 < low) low = rate + 0
      sum += rate; n++
    }
    END {
      worst = "-"; total = "-"
      for (c in latency) if (worst == "-" || latency[c] + 0 > worst + 0) worst = latency[c]
      for (c in lost) total += lost[c]
      if (worst != "-") worst = worst "ms"
      if (slowest == "") slowest = "-"; else slowest = slowest "ms"
      if (n == 0) print "none none", worst, slowest, total
      else printf "%.1f %.1f %s %s %s\n", low, sum / n, worst, slowest, total
    }' "$out/viewer.txt")
}

echo "load before: $(uptime)"
printf '\n| case | system | feed | quality | tiles | shown/s per tile (lowest, mean) | latency (worst tile median) | latency p99 (worst tile and interval) | dropped | viewer cores | wine server cores | X server cores | viewer memory | per channel | load before | CPU against Linux (viewer + wine server; with X server) |\n'
printf '|---|---|---|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
declare -A single_mb
for name in "${cases[@]}"; do
  case $name in
    d1-h264-32 | d1-h264-16)
      make_stream d1-h264 704x576 -c:v libx264 -preset veryfast -b:v 2M -maxrate 2M -bufsize 1M -g 50 -bf 0
      stream=$streams/d1-h264.kst tiles=${name#d1-h264-}
      grid=36
      [[ $tiles == 16 ]] && grid=16 ;;
    1080p-h264-9 | 1080p-h264-16)
      make_stream 1080p-h264 1920x1080 -c:v libx264 -preset veryfast -b:v 6M -maxrate 6M -bufsize 3M -g 50 -bf 0
      stream=$streams/1080p-h264.kst tiles=${name#1080p-h264-}
      grid=$tiles ;;
    1080p-h265-4)
      make_stream 1080p-h265 1920x1080 -c:v libx265 -preset ultrafast -b:v 4M -g 50 -x265-params log-level=error:bframes=0
      stream=$streams/1080p-h265.kst grid=4 tiles=4 ;;
    *) echo "unknown case $name" >&2; exit 2 ;;
  esac
  for ((round = 0; round < rounds; ++round)); do
    # Turn about: every other round the other system goes first.
    order=("${systems[@]}")
    ((round % 2 == 1 && ${#order[@]} == 2)) && order=("${order[1]}" "${order[0]}")
    declare -A row=() cpu=() cpu_with_x=()
    for system in "${order[@]}"; do
      # The memory of one tile, once per system and stream.
      if [[ -z ${single_mb[$system $stream]:-} ]]; then
        play "$system" "$stream" 1 1
        single_mb[$system $stream]=$rss_mb
      fi
      play "$system" "$stream" "$grid" "$tiles"
      per_channel=$(calc "($rss_mb - ${single_mb[$system $stream]}) / ($tiles - 1)" 1)
      total=$viewer_cores
      [[ $server_cores != - ]] && total=$(calc "$viewer_cores + $server_cores")
      cpu[$system]=$total
      cpu_with_x[$system]=$(calc "$total + $x_cores")
      row[$system]=$(printf '| %s | %s | %s | %s | %d | %s, %s | %s | %s | %s | %s | %s | %s | %s MB | %s MB | %s |' \
        "$name" "$system" "$feed" "$quality" "$tiles" "$shown_min" "$shown_mean" "$latency_max" \
        "$latency_p99" "$dropped" "$viewer_cores" "$server_cores" "$x_cores" "$rss_mb" "$per_channel" "$load")
    done
    for system in "${order[@]}"; do
      against=-
      if [[ $system == windows && -n ${cpu[linux]:-} ]]; then
        against="$(calc "${cpu[windows]} / ${cpu[linux]}")x; $(calc "${cpu_with_x[windows]} / ${cpu_with_x[linux]}")x"
      fi
      echo "${row[$system]} $against |"
    done
  done
done
echo
echo "load after: $(uptime)"
echo "viewer output: $build/wall-out/"
