#!/usr/bin/env bash
# The demo viewer for Windows, on Linux: builds the Windows SDK with
# mingw-w64 in the Windows build directory (the steps and directory of
# scripts/test-windows.sh), makes the sample streams there and plays them in
# kelo_demo_viewer.exe's grid under wine, on a virtual X server when there is
# no display. Leaves a screenshot of the grid (BMP and PNG), BMP captures and
# the player's logs in BUILD/demo-out/ and prints where they are.
#
#   scripts/run-demo-windows.sh    (as root on a fresh Debian 12, or with
#                                   everything already installed)
# Environment: DEMO_SECONDS (default 10; 0 plays until you press q in the
# window), DEMO_GRID (1, 4, 9, 16, 25 or 36; default 4; 36 plays 32 channels),
# KELO_WIN_BUILD_DIR (default build-win32), KELO_JOBS (compile jobs, default 2).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KELO_WIN_BUILD_DIR:-$repo/build-win32}
jobs=${KELO_JOBS:-2}
out=$build/demo-out
run_seconds=${DEMO_SECONDS:-10}
grid=${DEMO_GRID:-4}
capture_at=4
screenshot_at=5

# shellcheck source=scripts/steps.sh
source "$repo/scripts/steps.sh"

step "packages"
# The host's decoder packages make the sample streams; ImageMagick turns the
# screenshot into a PNG.
"$repo/scripts/install-packages.sh" build windows decoder viewer demo

if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: running on a virtual X server (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# shellcheck source=scripts/windows-build.sh
source "$repo/scripts/windows-build.sh"

step "ffmpeg"
windows_ffmpeg

step "sample streams"
# Made by the host's ffmpeg tool and a Linux build of m4stream, once per
# build directory: the streams the Windows tests play.
windows_host_tools m4stream
windows_sample_streams

step "build (Release) in $build"
windows_configure
cmake --build "$build" -j "$jobs" --target kelo_demo_viewer

step "wine prefix"
# shellcheck source=scripts/wine-prefix.sh
source "$repo/scripts/wine-prefix.sh"
start_wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/kelo-wine.XXXXXX")"

step "demo viewer: $grid tiles for $run_seconds s"
# The player reads its configuration from C:\q81\cfg\Q81.cfg in the
# throwaway prefix; it sends the logs to the output folder (drive Z: is the
# Linux file system).
rm -rf "$out"
mkdir -p "$out/logs" "$WINEPREFIX/drive_c/q81/cfg"
cat >"$WINEPREFIX/drive_c/q81/cfg/Q81.cfg" <<CONFIG
#Kelo820 PlaySDK settings for the demo run
[GLOBAL]
[TRACE_PATH] [$(winepath -w "$out/logs")\\]
[DEBUG_LEVEL] [1]
CONFIG
mapfile -t stream_files < <(winepath -w "$streams"/*.kst)
viewer_status=0
(cd "$out" && wine "$build/ffmpeg-decoder/kelo_demo_viewer.exe" --grid "$grid" \
  --seconds "$run_seconds" --capture-at "$capture_at" \
  --screenshot "$(winepath -w "$out/grid.bmp")" --screenshot-at "$screenshot_at" \
  --out "$(winepath -w "$out")" "${stream_files[@]}" </dev/null) 2>&1 |
  tr -d '\r' | tee "$out/viewer.txt" || viewer_status=$?

step "results"
# shellcheck source=scripts/demo-results.sh
source "$repo/scripts/demo-results.sh"
report_demo_results "$out" "$out/grid.bmp"
step ""
exit "$viewer_status"
