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
"$repo/scripts/install-packages.sh" build windows

step "ffmpeg"
# FFmpeg's DLLs for the FFmpeg decoder, built once per build directory.
KELO_JOBS=$jobs "$repo/scripts/build-ffmpeg-win32.sh" "$build"

step "wine prefix"
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/kelo-wine.XXXXXX")
WINEDEBUG=-all
# No Mono or Gecko: the tests are console programs, and the prefix is built
# without asking for either.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
cleanup() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# One server for the whole run instead of one per test program. The server
# and the services that wine starts with the prefix outlive the command that
# started them; they must not hold on to this script's output, or whoever
# reads it (ctest listing the cases, a pipe) would wait for them forever.
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

step "build"
generator=
command -v ninja >/dev/null && generator="-G Ninja"
# shellcheck disable=SC2086  # empty or two words
cmake -S "$repo" -B "$build" $generator \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw32.cmake" \
  -DKELO_FFMPEG_WIN32_PREFIX="$build/ffmpeg-win32" >/dev/null
cmake --build "$build" -j "$jobs"

step "test"
# Wine runs one test program at a time: the tests share C:/q81 in the prefix.
ctest --test-dir "$build" -j1 --output-on-failure --timeout 120
step ""
