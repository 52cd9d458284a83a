#!/usr/bin/env bash
# The viewer plays live sources on loopback for a few seconds, on a private
# virtual X server, and counts the pictures drawn into each tile:
#   tile 0  udp://  ffmpeg sends a transport stream in real time, pauses for
#                   two and a half seconds (the tile shows the stall), resumes
#   tile 1  tcp://  ffmpeg serves a transport stream to one client
#   tile 2  rtsp:// our RTSP test camera serves H.264 with G.711 A-law sound
#           (PCMA), also watched by a second viewer of one tile, whose sound
#           is on and goes to a file: it must be heard
#   tile 3  tcp://  nobody listens: a clear message, no hang
#
#   live-sources-test.sh VIEWER RTSP_TEST_CAMERA FFMPEG
set -euo pipefail
viewer=$1
camera=$2
ffmpeg=$3
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Ports of our own: the process id keeps parallel runs apart.
base=$((20000 + ($$ % 2000) * 8))
udp=$base tcp=$((base + 1)) rtsp=$((base + 2)) nobody=$((base + 3))

send() {  # send SECONDS URL
  "$ffmpeg" -hide_banner -loglevel error -re -f lavfi -i "testsrc=size=352x288:rate=25" \
    -t "$1" -c:v libx264 -preset ultrafast -tune zerolatency -g 25 -pix_fmt yuv420p \
    -f mpegts "$2" </dev/null &
  pids+=($!)
}

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [[ -s $work/display ]] && break
  sleep 0.1
done
display=$(cat "$work/display")
# The camera is not under test: sanitizer reports from GStreamer's own
# threads are not ours to judge.
TSAN_OPTIONS=report_bugs=0 ASAN_OPTIONS=detect_leaks=0 "$camera" "$rtsp" 20 >/dev/null &
pids+=($!)
send 9 "tcp://127.0.0.1:$tcp?listen=1"
send 2.5 "udp://127.0.0.1:$udp?pkt_size=1316"
(sleep 5 && send 4 "udp://127.0.0.1:$udp?pkt_size=1316" && wait) &
pids+=($!)
sleep 0.5

# The second viewer: the camera's sound through the player.
mkdir -p "$work/sound/q81/cfg"
Q81_DRIVE_ROOT="$work/sound" KELO_M4_AUDIO_FILE="$work/sound/heard.raw" timeout 30 "$viewer" \
  --grid 1 --seconds 5 --out "$work/sound" "rtsp://127.0.0.1:$rtsp/cam" \
  >"$work/sound/viewer.txt" 2>&1 &
sound_viewer=$!

mkdir -p "$work/q81/cfg"
DISPLAY=":$display" Q81_DRIVE_ROOT="$work" timeout 30 "$viewer" --grid 4 --seconds 7 \
  --out "$work" "udp://127.0.0.1:$udp" "tcp://127.0.0.1:$tcp" \
  "rtsp://127.0.0.1:$rtsp/cam" "tcp://127.0.0.1:$nobody" >"$work/viewer.txt" 2>&1
cat "$work/viewer.txt"

failures=0
check() {  # check WHAT PATTERN
  if ! grep -q -- "$2" "$work/viewer.txt"; then
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}
# Four seconds of pictures at 25/s at least, whatever the machine's load.
for tile in 0 1 2; do
  shown=$(grep "\] ch$tile " "$work/viewer.txt" | tail -1 | sed -n 's/.* shown \([0-9]*\) .*/\1/p')
  echo "tile $tile: ${shown:-no} pictures shown"
  if [[ -z $shown || $shown -lt 60 ]]; then
    echo "FAILED: tile $tile showed too few pictures"
    failures=$((failures + 1))
  fi
done
check "the UDP tile told its stall and its recovery" "ch0: udp://.*stalled"
check "the UDP tile told its recovery" "ch0: udp://.*data flows again"
check "the tiles give their latency" "ch2 rtsp://.*latency [0-9]* ms p99 [0-9]* ms  dropped"
check "the unreachable source said so" "ch3: tcp://127.0.0.1:$nobody: cannot reach it"
# 16-bit stereo at 48 kHz: two seconds of the camera's sound at least.
wait "$sound_viewer" || true
heard=$(stat -c %s "$work/sound/heard.raw" 2>/dev/null || echo 0)
echo "the camera's sound: $heard bytes heard"
if [[ $heard -lt $((2 * 48000 * 4)) ]]; then
  cat "$work/sound/viewer.txt"
  echo "FAILED: the camera's G.711 sound was not heard"
  failures=$((failures + 1))
fi
exit $((failures > 0))
