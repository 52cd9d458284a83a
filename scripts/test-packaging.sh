#!/usr/bin/env bash
# Checks the SDK the way its clients get it, with clients built outside the
# tree: the Linux install (CMake package and pkg-config file), the Debian
# package, and the Windows SDK zip with its MSVC import library.
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
# reference.
"$repo/scripts/install-packages.sh" build decoder packaging
# On a fresh machine doxygen has come just now, after the two build trees
# were configured without it: configured again, they make the API reference.
for tree in "$build" "$win_build"; do
  cmake "$tree" >/dev/null
  cmake --build "$tree" --target kelo_api_reference >/dev/null
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kelo-packaging.XXXXXX")
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k </dev/null >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
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

step "sample stream"
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=176x144:rate=25 -t 1 \
  -c:v mpeg2video -f vob "$work/clip.mpg"
"$work/prefix/bin/m4stream" "$work/clip.mpg" "$work/clip.kst"

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
  include/Kelo820_PlaySDKCodes.h include/Kelo820_PlaySDKTypes.h lib/Kelo820_PlaySDK.def lib/Kelo820_PlaySDK.lib lib/libKelo820_PlaySDK.dll.a | sort)
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
mkdir "$work/msvc"
llvm-dlltool -m i386 -k -d "$client/kernel32.def" -l "$work/msvc/kernel32.lib"
# No C or C++ runtime: no exceptions, no stack probes, no security cookies.
clang++ --target=i686-pc-windows-msvc -std=c++17 -O1 -fno-exceptions -fno-rtti \
  -fno-stack-protector -mno-stack-arg-probe -nostdinc++ -Wall -Wextra -Werror \
  -isystem "$client/windows_sdk" -I "$sdk/include" \
  -c "$client/msvc_client.cpp" -o "$work/msvc/msvc_client.obj"
lld-link /nologo /machine:x86 /subsystem:console /entry:ClientMain /nodefaultlib \
  /out:"$work/msvc/msvc_client.exe" "$work/msvc/msvc_client.obj" \
  "$sdk/lib/Kelo820_PlaySDK.lib" "$work/msvc/kernel32.lib"
# The SDK's DLL and the scripted decoder beside the client.
cp "$sdk/bin/Kelo820_PlaySDK.dll" "$win_build/scripted/m4playerApi.dll" "$work/msvc/"
WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# The prefix's services outlive wineboot; they must not hold this script's
# output (see scripts/test-windows.sh).
wineboot -i </dev/null >/dev/null 2>&1
(cd "$work/msvc" && wine msvc_client.exe </dev/null) || fail "the MSVC-ABI client failed"

if [ -n "$decoder_built" ]; then
  step "MSVC-ABI client, real stream"
  # The same client built to play the sample stream, with all of the zip's
  # bin/ beside it: our decoder and FFmpeg's DLLs.
  mkdir "$work/msvc-stream"
  clang++ --target=i686-pc-windows-msvc -std=c++17 -O1 -fno-exceptions -fno-rtti \
    -fno-stack-protector -mno-stack-arg-probe -nostdinc++ -Wall -Wextra -Werror \
    -isystem "$client/windows_sdk" -I "$sdk/include" -DKELO_PLAY_STREAM='"clip.kst"' \
    -c "$client/msvc_client.cpp" -o "$work/msvc-stream/msvc_client.obj"
  lld-link /nologo /machine:x86 /subsystem:console /entry:ClientMain /nodefaultlib \
    /out:"$work/msvc-stream/msvc_client.exe" "$work/msvc-stream/msvc_client.obj" \
    "$sdk/lib/Kelo820_PlaySDK.lib" "$work/msvc/kernel32.lib"
  cp "$sdk"/bin/*.dll "$work/clip.kst" "$work/msvc-stream/"
  (cd "$work/msvc-stream" && wine msvc_client.exe </dev/null) ||
    fail "the MSVC-ABI client did not play the stream"
fi

step ""
