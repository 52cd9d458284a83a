#!/usr/bin/env bash
# Builds FFmpeg for 32-bit Windows (scripts/build-ffmpeg-win32.sh, once per
# build directory), the 32-bit Windows DLL, its decoders and the test suite
# with mingw-w64, then runs the whole suite under wine in a throwaway prefix.
#
#   scripts/test-windows.sh            build in build-win32/ and test
#
# Environment: KELO_WIN_BUILD_DIR (build directory, default build-win32 in the
# repository), KELO_JOBS (parallel compile jobs, default 2). Installs the
# Debian packages it needs when they are missing.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KELO_WIN_BUILD_DIR:-$repo/build-win32}
jobs=${KELO_JOBS:-2}

# shellcheck source=scripts/steps.sh
source "$repo/scripts/steps.sh"

step "install"
# The host's decoder packages make the sample streams; the window test draws
# on a virtual X server.
"$repo/scripts/install-packages.sh" build windows decoder viewer

# The window tests draw into wine's windows: without a display, the whole run
# (the wine prefix and its server included) goes on a virtual X server.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# shellcheck source=scripts/windows-build.sh
source "$repo/scripts/windows-build.sh"

step "ffmpeg"
# FFmpeg's DLLs for the FFmpeg decoder, built once per build directory.
windows_ffmpeg

step "streams"
# The FFmpeg decoder's tests under wine play sample streams made here by the
# host's ffmpeg tool and m4stream, once per build directory, and compare
# their captures with the Linux build's of the same streams, made here again
# on every run (by sample_capture, tests/ffmpeg/SampleCaptureTool.cpp) so
# that they follow the code. Both tools come from a Linux build of their own.
windows_host_tools m4stream sample_capture m4test_stream_store
windows_sample_streams
# The decoder's own tests (tests/ffmpeg) read the streams they ask for, and
# the tools' answers about them, from made/, made again when the tool that
# makes them or m4stream was rebuilt.
store_tool=$host/bin/m4test_stream_store
if [ ! -f "$streams/made/done" ] || [ "$store_tool" -nt "$streams/made/done" ] ||
  [ "$host/bin/m4stream" -nt "$streams/made/done" ]; then
  rm -rf "$streams/made.partial" "$streams/made"
  "$store_tool" "$streams/made.partial"
  touch "$streams/made.partial/done" && mv "$streams/made.partial" "$streams/made"
fi
captures=$(mktemp -d "${TMPDIR:-/tmp}/kelo-captures.XXXXXX")
for stream in "$streams"/*.kst; do
  # The player's logs go to the scratch directory.
  Q81_DRIVE_ROOT=$captures/ \
    "$host/bin/sample_capture" "$stream" "$captures/$(basename "$stream" .kst).bmp"
done
mv "$captures"/*.bmp "$streams/"
rm -rf "$captures"

step "wine prefix"
# shellcheck source=scripts/wine-prefix.sh
source "$repo/scripts/wine-prefix.sh"
start_wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/kelo-wine.XXXXXX")"

step "build"
windows_configure
cmake --build "$build" -j "$jobs"

step "test"
# Wine runs one test program at a time: the tests share C:/q81 in the prefix.
ctest --test-dir "$build" -j1 --output-on-failure --timeout 120
step ""
