#!/usr/bin/env bash
# Glass to glass: the time from a camera's picture leaving the camera to the
# picture on the screen, in our demo viewer and, one after the other in the
# same run, in VLC, mpv and ffplay. Our camera (bench/latency/LatencySender.cpp)
# encodes numbered pictures in real time and sends each the moment it is
# encoded, over loopback: an MPEG transport stream over UDP or to a TCP
# client, or RTP to the RTSP test camera of tests/demo, which serves it. It
# logs when each picture's last byte left. A reader on the player's virtual
# X server (bench/latency/ScreenReader.cpp) reads the number back from the
# screen after every drawing and logs when each number first appeared. Every
# player gets an X server, a camera and a reader of its own, in turn.
#
#   scripts/bench-latency.sh [RUN...]
#     RUN is CASE or CASE:TRANSPORT[,TRANSPORT...]; CASE is
#       steady  the camera sends evenly
#       stall   it holds its pictures for LATENCY_STALL seconds (default 3),
#               2 s into the measured time, then sends them all at once (our
#               viewer gives a tcp or rtsp source up after 10 s of silence,
#               a udp source never; the table is followed by a note when it
#               did)
#       fast    its clock runs 1 % fast: pictures 1 % closer than their
#               time stamps say
#       slow    its clock runs 1 % slow: pictures 1 % further apart
#       long    steady for LATENCY_LONG_SECONDS (default 1800); the median
#               latency of every second is drawn into latency-long.png
#     and TRANSPORT is udp, tcp or rtsp (default udp).
#   Default: steady:udp,tcp,rtsp stall fast slow, about 14 minutes; with
#   LATENCY_LONG=1 also long, which takes its 30 minutes for every player.
#
# LATENCY_PLAYERS (default all) chooses the players: kelo (our demo viewer,
# which opens live sources in live mode), vlc (cvlc, its defaults),
# vlc-lowest (cvlc --network-caching=100, the caching of its "Lowest
# latency" preset; at 0 it drops every picture as late), mpv (its defaults),
# mpv-lowlatency (mpv --profile=low-latency), ffplay (-fflags nobuffer
# -flags low_delay). Debian's VLC has no RTSP client (it comes with live555,
# which Debian does not ship): its RTSP rows say so. LATENCY_SECONDS (default
# 12) is the measured time of each short case, after a warm-up of 8 s in
# which the player starts (its pictures are not counted; ffplay takes up to
# 7 s to probe a transport stream). The camera: D1 (704 x 576, the size our
# viewer's single tile shows without scaling), 25 pictures a second, H.264
# at 2 Mbit/s, a key picture every second. BUILD_DIR (default build-bench):
# where the tools are built, with -DKELO_BUILD_BENCH=ON.
#
# VLC refuses to run as root: as root, every player (ours too) runs as the
# ordinary user LATENCY_USER (default kelo-latency, created without a login
# when missing); otherwise as the user who runs the script.
#
# Prints one table per case: for each player and transport the median, 90th
# and 99th percentile and maximum glass-to-glass time in ms, the median of the
# last 5 s, the pictures shown of those sent, when the first picture showed
# (seconds after the camera's first), and the load average when the run
# began (the figures move with the machine's other work). A picture
# replaced on the screen before the reader saw it counts as not shown. Each
# run's logs stay in BUILD_DIR/latency-out/. Not part of the test command.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
seconds=${LATENCY_SECONDS:-12}
long_seconds=${LATENCY_LONG_SECONDS:-1800}
stall=${LATENCY_STALL:-3}
read -r -a players <<<"${LATENCY_PLAYERS:-kelo vlc vlc-lowest mpv mpv-lowlatency ffplay}"
warmup=8
# How long the player may take after the camera's last picture to show it.
tail_seconds=4
runs=("$@")
if [[ ${#runs[@]} -eq 0 ]]; then
  runs=("steady:udp,tcp,rtsp" stall fast slow)
  [[ ${LATENCY_LONG:-0} == 1 ]] && runs+=(long)
fi

"$root/scripts/install-packages.sh" build decoder viewer live bench soak latency

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELO_BUILD_BENCH=ON \
  -DKELO_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target kelo_demo_viewer m4playerApi_ffmpeg rtsp_test_camera \
  kelo_latency_sender kelo_latency_reader >/dev/null
bin=$build/bin
# A broken pattern would give figures of garbage: the reader proves first
# that it reads back what the camera sends.
"$bin/kelo_latency_reader" --self-check

as_user=()
if [[ $(id -u) -eq 0 ]]; then
  user=${LATENCY_USER:-kelo-latency}
  if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    echo "created the user $user to run the players"
  fi
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --)
fi

out_root=$build/latency-out
mkdir -p "$out_root"
# Ports of our own for each run: the process id keeps parallel runs apart.
next_port=$((40000 + ($$ % 500) * 40))

# player_command PLAYER TRANSPORT PORT OUT: sets command to the player's
# command line for the camera on PORT; empty when the player cannot play it.
player_command() {
  local player=$1 transport=$2 port=$3 out=$4 url
  case $transport in
    udp) url=udp://127.0.0.1:$port ;;
    tcp) url=tcp://127.0.0.1:$port ;;
    rtsp) url=rtsp://127.0.0.1:$port/cam ;;
  esac
  # VLC listens on a UDP port with an @.
  local vlc_url=$url
  [[ $transport == udp ]] && vlc_url=udp://@127.0.0.1:$port
  case $player in
    kelo) command=(env Q81_DRIVE_ROOT="$out" "$bin/kelo_demo_viewer" --grid 1 --seconds 100000
      --out "$out" "$url") ;;
    vlc) command=(cvlc "$vlc_url") ;;
    vlc-lowest) command=(cvlc --network-caching=100 "$vlc_url") ;;
    mpv) command=(mpv "$url") ;;
    mpv-lowlatency) command=(mpv --profile=low-latency "$url") ;;
    ffplay) command=(ffplay -fflags nobuffer -flags low_delay "$url") ;;
    *) echo "unknown player $player" >&2; exit 2 ;;
  esac
  if [[ $transport == rtsp && $player == vlc* ]]; then command=(); fi
}

# stop PROCESS...: ends them, and for good after two seconds.
stop() {
  local process
  for process in "$@"; do kill "$process" 2>/dev/null || true; done
  for _ in $(seq 20); do
    local alive=0
    for process in "$@"; do kill -0 "$process" 2>/dev/null && alive=1; done
    ((alive)) || break
    sleep 0.1
  done
  for process in "$@"; do kill -9 "$process" 2>/dev/null || true; done
  wait "$@" 2>/dev/null || true
}

# start_player: runs measure's player command on its display; sets player_pid.
start_player() {
  DISPLAY=$display HOME=$out/home "${as_user[@]}" "${command[@]}" </dev/null \
    >"$out/player.txt" 2>&1 &
  player_pid=$!
}

# measure CASE TRANSPORT PLAYER: one player watching the camera; leaves the
# camera's and the reader's logs in out (sent.log, seen.log); false when the
# player cannot play the transport.
measure() {
  local case_name=$1 transport=$2 player=$3
  out=$out_root/$case_name-$transport-$player
  rm -rf "$out"
  mkdir -p "$out/home" "$out/q81/cfg"
  [[ ${#as_user[@]} -gt 0 ]] && chown -R "$user:" "$out"
  local port=$next_port
  next_port=$((next_port + 4))
  player_command "$player" "$transport" "$port" "$out"
  [[ ${#command[@]} -eq 0 ]] && return 1

  local sending=$((warmup + seconds)) camera_options=()
  case $case_name in
    stall) camera_options=(--stall-at $((warmup + 2)) --stall-for "$stall") ;;
    fast) camera_options=(--clock-error 1) ;;
    slow) camera_options=(--clock-error -1) ;;
    long) sending=$((warmup + long_seconds)) ;;
  esac
  load=$(cut -d ' ' -f 1 /proc/loadavg)

  # Xvfb picks a free display and writes its number; its root is black, so
  # that only pictures are bright on it.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -br -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
  local xvfb=$!
  while [[ ! -s $out/display ]]; do sleep 0.1; done
  local display
  display=:$(cat "$out/display")
  DISPLAY=$display "$bin/kelo_latency_reader" "$out/seen.log" 2>"$out/reader.txt" &
  local reader=$!
  local helpers=() sender_url
  case $transport in
    udp) sender_url="udp://127.0.0.1:$port?pkt_size=1316" ;;
    tcp) sender_url="tcp://127.0.0.1:$port?listen=1" ;;
    rtsp)
      "$bin/rtsp_test_camera" "$port" $((sending + 30)) $((port + 2)) >"$out/camera.txt" 2>&1 &
      helpers+=($!)
      sender_url="rtp://127.0.0.1:$((port + 2))" ;;
  esac
  # The camera first where the player connects to it; a UDP player listens
  # before the camera sends (the warm-up covers its start either way).
  local player_pid
  [[ $transport == udp ]] && start_player
  "$bin/kelo_latency_sender" "$sender_url" "$out/sent.log" --seconds "$sending" \
    "${camera_options[@]}" 2>"$out/sender.txt" &
  local sender=$!
  if [[ $transport != udp ]]; then
    sleep 0.5
    start_player
  fi
  wait "$sender" || echo "the camera of $case_name/$transport/$player stopped early: $(tail -n 1 "$out/sender.txt")" >&2
  sleep "$tail_seconds"
  stop "$player_pid" "$reader" "${helpers[@]}"
  stop "$xvfb"
}

# latencies: for every picture of sent.log taken after the warm-up and read
# back in seen.log, "SECONDS_AFTER_WARMUP LATENCY_MS", in the order sent.
latencies() {
  awk -v warmup="$warmup" '
    FNR == NR {
      if ($1 ~ /^#/) next
      if (start == "") start = $2 + warmup * 1e6
      if ($2 >= start) sent[$1] = $3
      next
    }
    $1 !~ /^#/ && ($1 in sent) { printf "%.3f %.3f\n", (sent[$1] - start) / 1e6, ($2 - sent[$1]) / 1e3 }
  ' "$out/sent.log" "$out/seen.log" | sort -n
}

# median: the median of the numbers on standard input, sorted ("-" for none).
median() { sort -n | awk '{ v[++n] = $1 } END { if (n) printf "%.1f", v[int((n + 1) / 2)]; else print "-" }'; }

# row: the table row of the run in out: median, 90th and 99th percentile and
# maximum, median of the last 5 s, shown/sent, first picture.
row() {
  local sent measured_end recent first
  sent=$(awk -v warmup="$warmup" '$1 !~ /^#/ { if (start == "") start = $2 + warmup * 1e6
    if ($2 >= start) n++ } END { print n + 0 }' "$out/sent.log")
  measured_end=$(awk -v warmup="$warmup" '$1 !~ /^#/ { if (start == "") start = $2 + warmup * 1e6
    last = $2 } END { printf "%.3f", (last - start) / 1e6 }' "$out/sent.log")
  recent=$(latencies | awk -v end="$measured_end" '$1 >= end - 5 { print $2 }' | median)
  first=$(awk 'FNR == NR { if ($1 !~ /^#/ && start == "") start = $2; next }
    $1 !~ /^#/ && (shown == "" || $2 < shown) { shown = $2 }
    END { if (shown == "") print "-"; else printf "%.1f", (shown - start) / 1e6 }' \
    "$out/sent.log" "$out/seen.log")
  latencies | awk '{ print $2 }' | sort -n |
    awk -v sent="$sent" -v recent="$recent" -v first="$first" '
    { v[++n] = $1 }
    END {
      if (n == 0) { printf "| - | - | - | - | - | 0/%d | %s |", sent, first; exit }
      printf "| %.1f | %.1f | %.1f | %.1f | %s | %d/%d | %s |", v[int((n + 1) / 2)],
        v[int(n * 0.9 + 0.999)], v[int(n * 0.99 + 0.999)], v[n], recent, n, sent, first
    }'
}

declare -A long_series=()
for run in "${runs[@]}"; do
  case_name=${run%%:*}
  transports=udp
  [[ $run == *:* ]] && transports=${run#*:}
  case $case_name in
    steady | stall | fast | slow | long) ;;
    *) echo "unknown case $case_name" >&2; exit 2 ;;
  esac
  echo
  echo "== $case_name ($(date +%H:%M), load $(cut -d ' ' -f 1-3 /proc/loadavg))"
  echo "| case | transport | player | median ms | p90 ms | p99 ms | max ms | last 5 s median ms | shown/sent | first picture s | load |"
  echo "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"
  notes=()
  for transport in ${transports//,/ }; do
    for player in "${players[@]}"; do
      if ! measure "$case_name" "$transport" "$player"; then
        echo "| $case_name | $transport | $player | (no RTSP client in Debian's VLC) | | | | | | | |"
        continue
      fi
      echo "| $case_name | $transport | $player $(row) $load |"
      # Our viewer gives a TCP or RTSP source up after 10 s without data and
      # connects again: what arrives meanwhile is lost, a stall's burst
      # included.
      if [[ $player == kelo ]] && grep -q ': dropped: no data' "$out/player.txt"; then
        notes+=("$transport: our viewer dropped the silent source and reconnected (pictures sent meanwhile are lost)")
      fi
      if [[ $case_name == long ]]; then
        # The median of each second, for the plot.
        latencies | awk '{ print int($1), $2 }' | sort -k1,1n -k2,2n |
          awk '$1 != second && n { print second, v[int((n + 1) / 2)]; n = 0 }
            { second = $1; v[++n] = $2 } END { if (n) print second, v[int((n + 1) / 2)] }' \
          >"$out/per-second.tsv"
        long_series[$transport-$player]=$out/per-second.tsv
      fi
    done
  done
  for note in "${notes[@]}"; do echo "note, $note"; done
done

if [[ ${#long_series[@]} -gt 0 ]]; then
  plots=()
  mapfile -t names < <(printf '%s\n' "${!long_series[@]}" | sort)
  for name in "${names[@]}"; do
    plots+=("\"${long_series[$name]}\" using (\$1 / 60):2 with lines title \"$name\"")
  done
  plot_list=$(IFS=,; echo "${plots[*]}")
  gnuplot <<PLOT
set terminal pngcairo size 1000,600 font ",10"
set output "$out_root/latency-long.png"
set title "Glass to glass, D1 camera on loopback, steady: median of each second"
set xlabel "minutes"
set ylabel "ms"
set logscale y
set grid
set key outside right
plot $plot_list
PLOT
  echo
  echo "plot: $out_root/latency-long.png"
fi
echo
echo "logs of each run: $out_root/"
