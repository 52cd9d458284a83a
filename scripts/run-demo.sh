#!/usr/bin/env bash
# The main job: installs what is missing, builds the SDK with its FFmpeg
# decoder, makes the sample streams and plays them in the demo
# viewer's grid, under a virtual X server when there is no display. Leaves a
# screenshot of the grid (PNG), BMP captures and the player's logs in
# build/demo-out/ and prints where they are (the viewer's last line names the
# logs).
#
#   scripts/run-demo.sh            (as root on a fresh Debian 12, or with
#                                   everything already installed)
# Environment: DEMO_SECONDS (default 10; 0 plays until you press q in the
# window), DEMO_GRID (1, 4, 9, 16, 25 or 36; default 4; 36 plays 32 channels),
# BUILD_DIR (default build).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$build/demo-out
run_seconds=${DEMO_SECONDS:-10}
grid=${DEMO_GRID:-4}
capture_at=4
screenshot_at=5

step() { printf '\n== %s\n' "$*"; }

step "packages"
start=$(date +%s)
# libgtest-dev only lets the configure step find GoogleTest: the tests stay in
# the build tree's configuration, so scripts/test.sh finds them there later.
"$root/scripts/install-packages.sh" build decoder viewer demo
echo "packages ready in $(($(date +%s) - start)) s"

step "build (Release) in $build"
start=$(date +%s)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target kelo_demo_viewer m4stream m4playerApi_ffmpeg
echo "built in $(($(date +%s) - start)) s"

step "sample streams"
start=$(date +%s)
"$root/scripts/make-sample-streams.sh" "$build/demo_streams" "$build/bin/m4stream"
echo "made in $(($(date +%s) - start)) s"

step "demo viewer: $grid tiles for $run_seconds s"
# The player finds its configuration under Q81_DRIVE_ROOT, so pointing that at
# the output folder keeps the logs (and everything else) inside it.
rm -rf "$out"
mkdir -p "$out/q81/cfg"
cat >"$out/q81/cfg/Q81.cfg" <<CONFIG
#Kelo820 PlaySDK settings for the demo run
[GLOBAL]
[TRACE_PATH] [$out/logs/]
[DEBUG_LEVEL] [1]
CONFIG
viewer=(env Q81_DRIVE_ROOT="$out" "$build/bin/kelo_demo_viewer" --grid "$grid"
  --seconds "$run_seconds" --capture-at "$capture_at"
  --screenshot "$out/grid.ppm" --screenshot-at "$screenshot_at" --out "$out")
if [[ -z ${DISPLAY:-} ]]; then
  echo "no DISPLAY: running the viewer on a virtual X server (xvfb-run)"
  viewer=(xvfb-run -a -s "-screen 0 1280x1024x24" "${viewer[@]}")
fi
viewer_status=0
"${viewer[@]}" 2>&1 | tee "$out/viewer.txt" || viewer_status=$?

step "results"
# shellcheck source=scripts/demo-results.sh
source "$root/scripts/demo-results.sh"
report_demo_results "$out" "$out/grid.ppm"
exit "$viewer_status"
