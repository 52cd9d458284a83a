# shellcheck shell=bash disable=SC2154  # repo, build and jobs come from the script that sources this
# Sourced by the scripts that build the Windows SDK in a build directory and
# run it under wine (scripts/test-windows.sh, scripts/run-demo-windows.sh,
# scripts/bench-windows.sh, scripts/bench-wall.sh).
# Set repo, build (the Windows build directory) and jobs first; then
#   windows_ffmpeg                 FFmpeg's DLLs, built once per build directory
#   windows_host_tools TARGET...   a Linux build of the tools in $host
#   windows_sample_streams         the sample streams in $streams, made once
#                                  with the host's m4stream (needs the host
#                                  tool m4stream built)
#   windows_configure [OPTION...]  the mingw-w64 build in $build, configured
#                                  (with further CMake options)
launcher=
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
host=$build/host-tools
streams=$build/test-streams

# cmake_generator DIR: Ninja for a new build tree when ninja is installed;
# nothing for a tree configured before, which keeps the generator it was made
# with (CMake refuses another, and ninja may have come since).
cmake_generator() {
  if [ ! -f "$1/CMakeCache.txt" ] && command -v ninja >/dev/null; then echo "-G Ninja"; fi
}

windows_ffmpeg() {
  KELO_JOBS=$jobs "$repo/scripts/build-ffmpeg-win32.sh" "$build"
}

windows_host_tools() {
  # shellcheck disable=SC2046,SC2086  # empty or word lists
  cmake -S "$repo" -B "$host" $(cmake_generator "$host") -DCMAKE_BUILD_TYPE=Release $launcher >/dev/null
  cmake --build "$host" -j "$jobs" --target "$@" >/dev/null
}

windows_sample_streams() {
  if [ ! -f "$streams/life-h265-ts.kst" ]; then
    "$repo/scripts/make-sample-streams.sh" "$streams.partial" "$host/bin/m4stream" 2 >/dev/null
    rm -rf "$streams" && mv "$streams.partial" "$streams"
  fi
}

# shellcheck disable=SC2120  # the options are optional
windows_configure() {
  # shellcheck disable=SC2046,SC2086  # empty or word lists
  cmake -S "$repo" -B "$build" $(cmake_generator "$build") $launcher \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-mingw32.cmake" \
    -DKELO_FFMPEG_WIN32_PREFIX="$build/ffmpeg-win32" -DKELO_M4_TEST_STREAMS="$streams" "$@" >/dev/null
}
