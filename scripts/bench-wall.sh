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
# counted), and the viewer's memory (resident, and per channel beyond a
# one-tile run). Not part of the test command.
#
#   scripts/bench-wall.sh [CASE...]
#     d1-h264-32     32 channels of D1 H.264, 2 Mbit/s, 25/s, in a 6 x 6 grid
#     1080p-h264-9   9 channels of 1080p H.264 in a 3 x 3 grid
#     1080p-h265-4   4 channels of 1080p H.265 in a 2 x 2 grid
#   (default: all three). BUILD_DIR (default build-wall), WALL_SECONDS,
#   WALL_FEED (udp or file), WALL_QUALITY (the viewer's --quality: full, the
#   default, or fast).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-wall}
seconds=${WALL_SECONDS:-30}
feed=${WALL_FEED:-udp}
quality=${WALL_QUALITY:-full}
warmup=6
cases=("$@")
[[ ${#cases[@]} -eq 0 ]] && cases=(d1-h264-32 1080p-h264-9 1080p-h265-4)

"$root/scripts/install-packages.sh" build decoder viewer demo bench

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target kelo_demo_viewer m4stream m4playerApi_ffmpeg >/dev/null

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

# play STREAM GRID TILES: runs the viewer; sets shown_min, shown_mean,
# latency_max, dropped, viewer_cores, x_cores, rss_mb.
play() {
  local stream=$1 grid=$2 tiles=$3 display out
  out=$build/wall-out/$(basename "$stream" .kst)-$tiles-$feed
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
  DISPLAY=":$display" Q81_DRIVE_ROOT="$out" "$build/bin/kelo_demo_viewer" --grid "$grid" \
    --seconds "$seconds" --quality "$quality" --out "$out" "${sources[@]}" >"$out/viewer.txt" 2>&1 &
  local viewer=$!
  sleep "$warmup"
  local viewer_start x_start
  viewer_start=$(cpu_ticks "$viewer")
  x_start=$(cpu_ticks "$xvfb")
  sleep $((seconds - warmup - 1))
  local viewer_end x_end
  viewer_end=$(cpu_ticks "$viewer")
  x_end=$(cpu_ticks "$xvfb")
  rss_mb=$(resident_mb "$viewer")
  wait "$viewer" || true
  kill "$xvfb" "${senders[@]}"
  wait "$xvfb" "${senders[@]}" 2>/dev/null || true
  local span=$((seconds - warmup - 1))
  viewer_cores=$(echo "scale=2; ($viewer_end - $viewer_start) / $ticks / $span" | bc)
  x_cores=$(echo "scale=2; ($x_end - $x_start) / $ticks / $span" | bc)
  # Rates of the regular lines after the warm-up (the last line's interval is
  # short); latency and dropped pictures as the last line gives them.
  read -r shown_min shown_mean latency_max dropped < <(awk -v from="$warmup" -v to="$seconds" \
    -v tiles="$tiles" '
    /^\[ *[0-9.]+s\] ch[0-9]+ .* shown [0-9]+ \(/ {
      stamp = $0; sub(/^\[ */, "", stamp); sub(/s\].*/, "", stamp)
      match($0, / ch[0-9]+ /); channel = substr($0, RSTART + 3, RLENGTH - 4)
      if (channel + 0 >= tiles) next
      if (match($0, /latency [0-9]+ ms/)) latency[channel] = substr($0, RSTART + 8, RLENGTH - 11)
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
      if (n == 0) print "none none", worst, total
      else printf "%.1f %.1f %s %s\n", low, sum / n, worst, total
    }' "$out/viewer.txt")
}

echo "load before: $(uptime)"
printf '\n| case | feed | quality | tiles | shown/s per tile (lowest, mean) | latency (worst tile median) | dropped | viewer cores | X server cores | viewer memory | per channel |\n'
printf '|---|---|---|---:|---|---:|---:|---:|---:|---:|---:|\n'
for name in "${cases[@]}"; do
  case $name in
    d1-h264-32)
      make_stream d1-h264 704x576 -c:v libx264 -preset veryfast -b:v 2M -maxrate 2M -bufsize 1M -g 50 -bf 0
      stream=$streams/d1-h264.kst grid=36 tiles=32 ;;
    1080p-h264-9)
      make_stream 1080p-h264 1920x1080 -c:v libx264 -preset veryfast -b:v 6M -maxrate 6M -bufsize 3M -g 50 -bf 0
      stream=$streams/1080p-h264.kst grid=9 tiles=9 ;;
    1080p-h265-4)
      make_stream 1080p-h265 1920x1080 -c:v libx265 -preset ultrafast -b:v 4M -g 50 -x265-params log-level=error:bframes=0
      stream=$streams/1080p-h265.kst grid=4 tiles=4 ;;
    *) echo "unknown case $name" >&2; exit 2 ;;
  esac
  play "$stream" 1 1
  single_mb=$rss_mb
  play "$stream" "$grid" "$tiles"
  per_channel=$(echo "scale=1; ($rss_mb - $single_mb) / ($tiles - 1)" | bc)
  printf '| %s | %s | %s | %d | %s, %s | %s | %s | %s | %s | %s MB | %s MB |\n' "$name" "$feed" \
    "$quality" "$tiles" "$shown_min" "$shown_mean" "$latency_max" "$dropped" "$viewer_cores" "$x_cores" \
    "$rss_mb" "$per_channel"
done
echo
echo "load after: $(uptime)"
echo "viewer output: $build/wall-out/"
