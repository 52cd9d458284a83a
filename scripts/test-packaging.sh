#!/usr/bin/env bash
# Checks the SDK the way its clients get it, with clients built outside the
# tree: the Linux install (CMake package and pkg-config file), the Debian
# package, and the Windows SDK zip: its MSVC import library, and its example
# client built with its CMake package by mingw-w64 and MSVC-style, each run
# under wine with the trace log that the example configuration turns on.
#
#   scripts/test-packaging.sh
#
# Needs the Linux build that scripts/test.sh makes (build-debug/, or
# KELO_BUILD_DIR) and the mingw-w64 build of scripts/test-windows.sh
# (build-win32/, or KELO_WIN_BUILD_DIR). Everything it makes goes to a
# temporary directory that is removed afterwards.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${KELO_BUILD_DIR:-$repo/build-debug}
win_build=${KELO_WIN_BUILD_DIR:-$repo/build-win32}

# shellcheck source=scripts/steps.sh
source "$repo/scripts/steps.sh"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

step "install"
# The packaging group: dpkg-shlibdeps (dpkg-dev) computes the package's
# dependencies; clang, lld and llvm (llvm-dlltool) build the MSVC-ABI client;
# the mingw-w64 objdump reads the DLLs' imports; doxygen makes the API
# reference; the example's windows need an X display, Xvfb's when there is
# none.
"$repo/scripts/install-packages.sh" build decoder packaging
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
# On a fresh machine doxygen has come just now, after the two build trees
# were configured without it: configured again, they make the API reference.
for tree in "$build" "$win_build"; do
  cmake "$tree" >/dev/null
  cmake --build "$tree" --target kelo_api_reference >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kelo-packaging.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
# The player's logs go under here.
export Q81_DRIVE_ROOT=$work/drive/
mkdir -p "$Q81_DRIVE_ROOT"

# check_reference DIR: DIR holds the HTML reference, and every operation
# and both factory functions are on its pages.
check_reference() {
  local name
  [ -f "$1/index.html" ] || fail "no API reference in $1"
  for name in $(grep -o 'virtual int32_t Play_[A-Za-z]*\|[A-Za-z]*SinglePlayerDll(' \
    "$repo/include/Kelo820_PlaySDK.h" | sed 's/virtual int32_t //; s/($//'); do
    grep -lq "$name" "$1"/*.html || fail "$name is not in the reference in $1"
  done
}

# check_prefix DIR LIBDIR: the installed tree holds exactly the SDK's files,
# and no binary looks for libraries anywhere but relative to itself.
check_prefix() {
  local prefix=$1 libdir=$2 listed expected file paths
  check_reference "$prefix/share/doc/kelo820-playsdk/reference"
  listed=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' |
    grep -v '^share/doc/kelo820-playsdk/reference/' |
    sed 's|Targets-[a-z]*\.cmake$|Targets-CONFIG.cmake|' | sort)
  expected=$(sed "s|LIBDIR|$libdir|" <<'LIST' | sort
bin/kelo_demo_viewer
bin/m4stream
include/Kelo820_PlaySDK.h
include/Kelo820_PlaySDKCodes.h
include/Kelo820_PlaySDKTypes.h
LIBDIR/cmake/Kelo820PlaySDK/Kelo820PlaySDKConfig.cmake
LIBDIR/cmake/Kelo820PlaySDK/Kelo820PlaySDKConfigVersion.cmake
LIBDIR/cmake/Kelo820PlaySDK/Kelo820PlaySDKTargets-CONFIG.cmake
LIBDIR/cmake/Kelo820PlaySDK/Kelo820PlaySDKTargets.cmake
LIBDIR/libKelo820_PlaySDK.so
LIBDIR/libKelo820_PlaySDK.so.1
LIBDIR/libKelo820_PlaySDK.so.VERSION
LIBDIR/libm4playerApi.so
LIBDIR/pkgconfig/kelo820-playsdk.pc
share/doc/kelo820-playsdk/README.md
share/doc/kelo820-playsdk/docs/client-guide.md
share/doc/kelo820-playsdk/docs/decoder.md
share/doc/kelo820-playsdk/docs/demo.md
share/doc/kelo820-playsdk/docs/windows.md
share/doc/kelo820-playsdk/examples/basic_client.cpp
LIST
)
  expected=${expected//VERSION/$version}
  [ "$listed" = "$expected" ] ||
    fail "$prefix holds other files than expected:"$'\n'"$(diff <(echo "$expected") <(echo "$listed"))"
  [ "$(readlink "$prefix/$libdir/libKelo820_PlaySDK.so")" = libKelo820_PlaySDK.so.1 ] ||
    fail "libKelo820_PlaySDK.so does not link to the SONAME"
  readelf -d "$prefix/$libdir/libKelo820_PlaySDK.so.1" | grep -q 'SONAME.*\[libKelo820_PlaySDK\.so\.1\]' ||
    fail "libKelo820_PlaySDK.so.1 has another SONAME"
  for file in "$prefix"/bin/* "$prefix/$libdir"/*.so*; do
    paths=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p' | tr ':' '\n')
    if [ -n "$paths" ] && grep -qv '^\$ORIGIN' <<<"$paths"; then fail "$file searches $paths"; fi
  done
}

# run_consumer PROGRAM NAME: plays the sample stream through the SDK that
# PROGRAM is linked against and captures a picture to NAME.bmp.
run_consumer() {
  "$1" "$work/clip.kst" "$work/$2.bmp"
}

step "cmake --install"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(sed -n 's/^libdir=\${prefix}\///p' "$work"/prefix/lib*/pkgconfig/kelo820-playsdk.pc)
version=$(PKG_CONFIG_PATH=$work/prefix/$libdir/pkgconfig pkg-config --modversion kelo820-playsdk)
echo "version $version, libraries in $libdir"
check_prefix "$work/prefix" "$libdir"
[ "$("$work/prefix/bin/kelo_demo_viewer" --version)" = "kelo_demo_viewer $version" ] ||
  fail "the installed viewer does not report version $version"
# Without streams named, the installed viewer says where it looked and how
# to make one with the installed m4stream, and fails.
if said=$(cd "$work" && env -u DISPLAY "$work/prefix/bin/kelo_demo_viewer" --seconds 1 \
  --out "$work/viewer-none" 2>&1); then
  fail "the installed viewer without streams ends with status 0"
fi
for told in "no stream files (.kst) in $work/demo_streams" \
  "$work/prefix/bin/m4stream clip.mpg demo_streams/clip.kst"; do
  grep -qF "$told" <<<"$said" || fail "the installed viewer does not say \"$told\":"$'\n'"$said"
done
"$work/prefix/bin/m4stream" --help | grep -q -- --no-end-marker ||
  fail "m4stream --help does not list its options"

step "doxygen over the installed headers"
# Every member of the headers documented: a warning fails the run.
printf '%s\n' "INPUT = $work/prefix/include" "OUTPUT_DIRECTORY = $work/doxygen" \
  "GENERATE_LATEX = NO" "HAVE_DOT = NO" "QUIET = YES" "WARN_IF_UNDOCUMENTED = YES" \
  "WARN_NO_PARAMDOC = YES" "WARN_AS_ERROR = FAIL_ON_WARNINGS" | doxygen - ||
  fail "doxygen warns about the installed headers"

step "sample streams"
# clip.kst for the clients that play a stream through; windows.kst long
# enough for the Windows example's tour.
for stream in clip:1 windows:6; do
  ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=176x144:rate=25 -t "${stream#*:}" \
    -c:v mpeg2video -f vob "$work/${stream%:*}.mpg"
  "$work/prefix/bin/m4stream" "$work/${stream%:*}.mpg" "$work/${stream%:*}.kst" >/dev/null
done

step "CMake consumer"
cmake -S "$repo/tests/packaging/consumer" -B "$work/cmake-consumer" \
  -DCMAKE_PREFIX_PATH="$work/prefix" | grep 'Kelo820 PlaySDK'
cmake --build "$work/cmake-consumer" >/dev/null
# The player and the FFmpeg decoder both come from the prefix.
ldd "$work/cmake-consumer/sdk_consumer" | grep -E 'Kelo820|m4playerApi' |
  grep -v "$work/prefix/$libdir/" && fail "libraries from outside the prefix"
run_consumer "$work/cmake-consumer/sdk_consumer" cmake

step "pkg-config consumer"
pc_flags=$(PKG_CONFIG_PATH=$work/prefix/$libdir/pkgconfig pkg-config --cflags --libs kelo820-playsdk)
# shellcheck disable=SC2086  # a word list
g++ -std=c++17 "$repo/tests/packaging/consumer/sdk_consumer.cpp" $pc_flags \
  -o "$work/pkg-config-consumer"
LD_LIBRARY_PATH=$work/prefix/$libdir run_consumer "$work/pkg-config-consumer" pkg-config
# The README's line for a prefix outside the linker's path, with the example
# client installed beside the docs.
# shellcheck disable=SC2086  # a word list
g++ -std=c++17 "$work/prefix/share/doc/kelo820-playsdk/examples/basic_client.cpp" $pc_flags \
  -Wl,-rpath,"$work/prefix/$libdir" -o "$work/basic_client"
said=$("$work/basic_client" "$work/clip.kst" "$work/example.bmp")
grep -q 'Play_CloseStream  *-> 0' <<<"$said" ||
  fail "the installed example client does not run:"$'\n'"$said"

step "Debian package"
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack-deb.log" 2>&1) ||
  { tail -n 20 "$work/cpack-deb.log" >&2; fail "cpack -G DEB failed"; }
deb=$(echo "$work"/deb/*.deb)
echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
for library in libavcodec libavformat libswscale libswresample libx11-6 libxext6 libasound2 libstdc++6; do
  dpkg-deb -f "$deb" Depends | grep -q "$library" || fail "the package does not depend on $library"
done
# Every dependency resolves from the Debian archive.
apt-get install -s "$deb" >/dev/null || fail "apt-get cannot install $deb"
dpkg-deb -x "$deb" "$work/root"
check_prefix "$work/root/usr" "$libdir"
cmake -S "$repo/tests/packaging/consumer" -B "$work/deb-consumer" \
  -DCMAKE_PREFIX_PATH="$work/root/usr" >/dev/null
cmake --build "$work/deb-consumer" >/dev/null
LD_LIBRARY_PATH=$work/root/usr/$libdir run_consumer "$work/deb-consumer/sdk_consumer" deb
env -u DISPLAY "$work/root/usr/bin/kelo_demo_viewer" --grid 1 --seconds 1 --out "$work/viewer" \
  "$work/clip.kst" | grep 'ch0 clip.kst'

step "Windows SDK"
(cd "$win_build" && cpack -G ZIP -B "$work/zip" >/dev/null) || fail "cpack -G ZIP failed"
zip=$(echo "$work"/zip/*.zip)
(mkdir "$work/win" && cd "$work/win" && cmake -E tar xf "$zip")
sdk=$work/win/$(basename "$zip" .zip)
check_reference "$sdk/doc/reference"
listed=$(cd "$sdk" && find . -type f | sed 's|^\./||' | grep -v '^lib/cmake/\|^doc/reference/' | sort)
expected=$(printf '%s\n' README.txt bin/Kelo820_PlaySDK.dll include/Kelo820_PlaySDK.h \
  include/Kelo820_PlaySDKCodes.h include/Kelo820_PlaySDKTypes.h lib/Kelo820_PlaySDK.def \
  lib/Kelo820_PlaySDK.lib lib/libKelo820_PlaySDK.dll.a doc/Q81.cfg.example \
  examples/CMakeLists.txt examples/basic_client.cpp examples/two_window_client.cpp | sort)
# With our decoder the zip also carries it, FFmpeg's DLLs (their names hold
# FFmpeg's major versions; which ones bin/ needs is checked below) and
# FFmpeg's licence.
known=$listed
decoder_built=
if [ -f "$win_build/ffmpeg-decoder/m4playerApi.dll" ]; then
  decoder_built=1
  expected=$(printf '%s\n' "$expected" bin/m4playerApi.dll licenses/ffmpeg/COPYING.LGPLv2.1 \
    licenses/ffmpeg/SOURCE.txt bin/kelo_demo_viewer.exe bin/m4stream.exe | sort)
  known=$(grep -v '^bin/\(av\|sw\)[a-z]*-[0-9]*\.dll$' <<<"$listed")
fi
[ "$known" = "$expected" ] ||
  fail "$(basename "$zip") holds other files than expected:"$'\n'"$(diff <(echo "$expected") <(echo "$known"))"
echo "$(basename "$zip"): $(echo "$listed" | tr '\n' ' ')"

step "Windows SDK: bin/ on its own"
# Every DLL and program in bin/ finds what it imports in bin/ or among
# Windows' own DLLs, through every level of imports: bin/ runs from where it
# is unpacked. Only a kit without our decoder leaves m4playerApi.dll to the
# client.
windows_dlls='^(api-ms-win-.*|advapi32|bcrypt|comctl32|comdlg32|crypt32|gdi32|iphlpapi|kernel32|msvcrt|ntdll|ole32|oleaut32|secur32|shell32|shlwapi|user32|version|winmm|ws2_32)\.dll$'
declare -A seen=()
pending=()
for file in "$sdk"/bin/*.dll "$sdk"/bin/*.exe; do
  if [ -e "$file" ]; then pending+=("$(basename "$file")"); fi
done
while [ ${#pending[@]} -gt 0 ]; do
  dll=${pending[0]}
  pending=("${pending[@]:1}")
  [ -z "${seen[${dll,,}]:-}" ] || continue
  seen[${dll,,}]=1
  present=$(find "$sdk/bin" -maxdepth 1 -iname "$dll" | head -n 1)
  if [ -z "$present" ]; then
    [ "${dll,,}" = m4playerapi.dll ] && [ -z "$decoder_built" ] && continue
    fail "bin/ lacks $dll, which the DLLs in bin/ import"
  fi
  headers=$(i686-w64-mingw32-objdump -p "$present")
  grep -q 'file format pei-i386' <<<"$headers" || fail "$dll is not a 32-bit Windows binary"
  while read -r imported; do
    grep -Eqi "$windows_dlls" <<<"$imported" || pending+=("$imported")
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
done
echo "bin/: $(find "$sdk/bin" -type f -printf '%f %s\n' | sort | tr '\n' ' ')"

step "MSVC-ABI client"
client=$repo/tests/packaging/msvc_client
# What MSVC would link against in place of the Windows SDK's libraries and
# the C runtime's start-up code, which this machine lacks.
export KELO_MSVC_LIBRARIES=$work/msvc-libraries
mkdir "$KELO_MSVC_LIBRARIES" "$work/msvc"
for dll in kernel32 user32 gdi32; do
  llvm-dlltool -m i386 -k -d "$client/$dll.def" -l "$KELO_MSVC_LIBRARIES/$dll.lib"
done
# No C or C++ runtime: no exceptions, no stack probes, no security cookies.
msvc_flags=(--target=i686-pc-windows-msvc -std=c++17 -O1 -fno-exceptions -fno-rtti
  -fno-stack-protector -mno-stack-arg-probe -nostdinc++ -Wall -Wextra -Werror
  -isystem "$client/windows_sdk")
clang++ "${msvc_flags[@]}" -c "$client/startup.cpp" -o "$KELO_MSVC_LIBRARIES/startup.obj"
clang++ "${msvc_flags[@]}" -I "$sdk/include" -c "$client/msvc_client.cpp" \
  -o "$work/msvc/msvc_client.obj"
lld-link /nologo /machine:x86 /subsystem:console /entry:ClientMain /nodefaultlib \
  /out:"$work/msvc/msvc_client.exe" "$work/msvc/msvc_client.obj" \
  "$sdk/lib/Kelo820_PlaySDK.lib" "$KELO_MSVC_LIBRARIES/kernel32.lib"
# The SDK's DLL and the scripted decoder beside the client.
cp "$sdk/bin/Kelo820_PlaySDK.dll" "$win_build/scripted/m4playerApi.dll" "$work/msvc/"
# shellcheck source=scripts/wine-prefix.sh
source "$repo/scripts/wine-prefix.sh"
start_wine_prefix "$work/wine" "$work"
(cd "$work/msvc" && wine msvc_client.exe </dev/null) || fail "the MSVC-ABI client failed"

if [ -n "$decoder_built" ]; then
  # The example configuration as the README says: C:\q81\cfg\Q81.cfg, which
  # sends every call to C:\q81\log\.
  mkdir -p "$WINEPREFIX/drive_c/q81/cfg"
  cp "$sdk/doc/Q81.cfg.example" "$WINEPREFIX/drive_c/q81/cfg/Q81.cfg"
  logs=$WINEPREFIX/drive_c/q81/log
  for toolchain in mingw:"$repo/cmake/toolchain-mingw32.cmake" \
    msvc:"$client/toolchain-clang-msvc.cmake"; do
    kind=${toolchain%%:*}
    step "Windows example client, $kind"
    # Built from the unpacked zip with its own CMake file and package.
    examples=$work/examples-$kind
    cmake -S "$sdk/examples" -B "$examples" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="${toolchain#*:}" >/dev/null
    cmake --build "$examples" --target two_window_client >/dev/null
    if [ "$kind" = msvc ]; then
      grep -rqs --include=link.txt --include=build.ninja 'Kelo820_PlaySDK\.lib' "$examples" ||
        fail "the CMake package does not give MSVC Kelo820_PlaySDK.lib"
    fi
    cp "$work/windows.kst" "$examples/"
    rm -rf "$logs"
    (cd "$examples" && wine two_window_client.exe --tour windows.kst </dev/null) ||
      fail "the $kind-built example client failed"
    for call in Play_OpenStream Play_PlayState Play_GetPicture Play_CloseStream; do
      grep -q "\[$call\]" "$logs/ZQ_Player_Runtime.log" || fail "no $call in the $kind run's trace log"
    done
    for capture in channel0.bmp channel1.bmp; do
      [ -s "$examples/$capture" ] || fail "the $kind-built example client did not write $capture"
    done
  done
fi

step ""
echo "all checks passed"
