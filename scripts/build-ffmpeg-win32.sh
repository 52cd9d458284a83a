#!/usr/bin/env bash
# Builds FFmpeg for 32-bit Windows (i686-w64-mingw32) from Debian's own
# source package: the DLLs, import libraries, headers and pkg-config files
# that the Windows FFmpeg decoder (m4playerApi.dll) links against.
#
#   scripts/build-ffmpeg-win32.sh BUILD_DIR
#
# The source goes to BUILD_DIR/ffmpeg-src, the installed tree to
# BUILD_DIR/ffmpeg-win32. A finished tree records its source version and
# configure line in .kelo-ffmpeg-build; when both match, nothing is built
# again. The source comes through apt: when apt knows no source packages, a
# deb-src twin of the machine's own Debian entries is added
# (/etc/apt/sources.list.d/kelo-deb-src.*). Environment: KELO_JOBS (parallel
# compile jobs, default 2).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 1 ] || {
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
}
mkdir -p "$1"
build=$(cd "$1" && pwd)
jobs=${KELO_JOBS:-2}
source_dir=$build/ffmpeg-src
prefix=$build/ffmpeg-win32
stamp=$prefix/.kelo-ffmpeg-build
started=$(date +%s)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Only what the decoder and the viewer use: the program and transport stream
# demuxers (probing chooses between them), the video and sound decoders with
# their parsers, scaling and resampling, and for cameras the network
# protocols with the RTSP, RTP and SDP demuxers, and the transport stream
# muxer (with the filters it puts before H.264 and H.265 packets that lack
# start codes) that turns an RTSP camera's packets into the viewer's payload,
# and MP4 and Matroska files into m4stream's. The raw elementary stream
# demuxers are there for their probes: a transport stream joined live brings
# pictures before its tables, and the transport stream demuxer tells what
# they are by those probes; without them their packets come out untyped
# until the tables arrive, and the pictures up to the next key picture are
# lost. LGPL only; Windows threads; nothing found on the build machine by
# chance (--disable-autodetect). libgcc is linked in, as into our own DLLs,
# so that the DLLs need only Windows'.
# shellcheck disable=SC2054  # commas inside options
configure_options=(
  --cross-prefix=i686-w64-mingw32- --arch=x86 --target-os=mingw32
  --enable-shared --disable-static --disable-debug --extra-ldflags=-static-libgcc
  --disable-programs --disable-doc --disable-avdevice --disable-avfilter --disable-postproc
  --disable-autodetect --enable-w32threads
  --disable-everything
  --enable-swscale --enable-swresample
  --enable-demuxer=mpegps,mpegts,rtsp,rtp,sdp
  --enable-demuxer=mpegvideo,m4v,h264,hevc,mp3,aac,loas,ac3
  --enable-decoder=mpeg1video,mpeg2video,mpeg4,h264,hevc
  --enable-decoder=mp1,mp2,mp3,aac,aac_latm,ac3,pcm_alaw,pcm_mulaw
  --enable-parser=mpegvideo,mpeg4video,h264,hevc,mpegaudio,aac,aac_latm,ac3
  --enable-network --enable-protocol=udp,tcp,rtp,file
  --enable-muxer=mpegts --enable-bsf=h264_mp4toannexb,hevc_mp4toannexb
  --enable-demuxer=mov,matroska
)

# deb-src entries for the machine's own Debian suites (those of its release,
# updates and security), with the mirror, components and key it already
# uses: deb822 stanzas from *.sources, one-line entries from *.list.
add_source_entries() {
  local codename sources_file list_file file
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  sources_file=$(mktemp)
  list_file=$(mktemp)
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v codename="$codename" '
      function flush() {
        if (stanza != "" && types ~ /(^| )deb( |$)/ && suites ~ "(^| )" codename && enabled != "no")
          printf "Types: deb-src\n%s\n\n", stanza
        stanza = ""; types = ""; suites = ""; enabled = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^#/ { next }
      /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); next }
      /^Enabled:/ { enabled = tolower($2) }
      /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
      { stanza = stanza (stanza == "" ? "" : "\n") $0 }
      END { flush() }' "$file" >>"$sources_file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    # deb [options] URI SUITE COMPONENT...
    awk -v codename="$codename" '
      $1 == "deb" {
        rest = $0
        sub(/^deb[ \t]+(\[[^]]*\][ \t]+)?/, "", rest)
        split(rest, field)
        if (index(field[2], codename) == 1) { sub(/^deb/, "deb-src"); print }
      }' "$file" >>"$list_file"
  done
  if [ ! -s "$sources_file" ] && [ ! -s "$list_file" ]; then
    rm -f "$sources_file" "$list_file"
    echo "No Debian $codename entries in the apt sources to derive deb-src entries from" >&2
    exit 1
  fi
  if [ -s "$sources_file" ]; then
    $sudo install -m 644 "$sources_file" /etc/apt/sources.list.d/kelo-deb-src.sources
  fi
  if [ -s "$list_file" ]; then
    $sudo install -m 644 "$list_file" /etc/apt/sources.list.d/kelo-deb-src.list
  fi
  rm -f "$sources_file" "$list_file"
  echo "Added deb-src entries for Debian $codename; updating the package lists"
  $sudo apt-get update -q
}

"$repo/scripts/install-packages.sh" ffmpeg-win32
if ! apt-cache showsrc ffmpeg >/dev/null 2>&1 ||
  [ -z "$(apt-cache showsrc ffmpeg 2>/dev/null)" ]; then
  add_source_entries
fi
# The newest source apt offers: the release the Linux libraries come from.
version=$(apt-cache showsrc ffmpeg | sed -n 's/^Version: //p' | sort -V | tail -n 1)
if [ -z "$version" ]; then
  echo "apt offers no source package ffmpeg" >&2
  exit 1
fi
record=$(printf 'ffmpeg %s\n%s\n' "$version" "${configure_options[*]}")
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$record" ]; then
  echo "FFmpeg $version for win32 is already built in $prefix"
  exit 0
fi

# apt-get source unpacks into ffmpeg-<upstream version>, patches applied.
upstream=${version#*:}
upstream=${upstream%-*}
tree=$source_dir/ffmpeg-$upstream
if [ ! -f "$tree/configure" ]; then
  rm -rf "$source_dir"
  mkdir -p "$source_dir"
  echo "Fetching the Debian source package ffmpeg $version"
  (cd "$source_dir" && apt-get source -q "ffmpeg=$version")
fi

echo "Configuring FFmpeg $version for i686-w64-mingw32"
rm -rf "$prefix" "$source_dir/build"
mkdir -p "$source_dir/build"
cd "$source_dir/build"
"$tree/configure" --prefix="$prefix" "${configure_options[@]}" >configure.log 2>&1 ||
  {
    tail -n 30 configure.log ffbuild/config.log 2>/dev/null >&2
    exit 1
  }
echo "Building FFmpeg with $jobs jobs"
make -j "$jobs" >make.log 2>&1 || {
  tail -n 30 make.log >&2
  exit 1
}
make install >install.log 2>&1 || {
  tail -n 30 install.log >&2
  exit 1
}

# What the LGPL asks to ship with the DLLs: the licence and where the source
# is.
doc=$prefix/share/doc/ffmpeg
mkdir -p "$doc"
cp "$tree/COPYING.LGPLv2.1" "$doc/"
cat >"$doc/SOURCE.txt" <<EOF
The FFmpeg DLLs (avcodec, avformat, avutil, swscale, swresample) are FFmpeg
$upstream, built from Debian's source package ffmpeg, version $version,
as this command fetches and unpacks it (Debian's patches applied), with no
further changes:

  apt-get source ffmpeg=$version

They are licensed under the GNU Lesser General Public License, version 2.1 or
later (COPYING.LGPLv2.1); no GPL or non-free part is enabled. Configured with:

  ./configure ${configure_options[*]}
EOF
echo "$record" >"$stamp"
echo "FFmpeg $version for win32 built into $prefix in $(($(date +%s) - started)) s"
