#!/usr/bin/env bash
# Makes the demo viewer's sample streams: five short synthetic clips (CIF,
# 25 fps, a test picture with a sine tone), each in a different container and
# codec pair, turned by the decoder's stream tool into the header + payload
# files that the viewer plays.
#
#   scripts/make-sample-streams.sh OUTPUT_DIR STREAM_TOOL [SECONDS]
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 OUTPUT_DIR STREAM_TOOL [SECONDS]" >&2
  exit 2
fi
out=$1
tool=$2
seconds=${3:-6}
mkdir -p "$out/media"

# name, test picture, tone (Hz), video encoder options, audio encoder options, muxer
clips=(
  "bars-mpeg2-ps|smptebars|440|-c:v mpeg2video -b:v 1M -g 12|-c:a mp2 -b:a 128k|vob|mpg"
  "testsrc-mpeg4-ps|testsrc|660|-c:v mpeg4 -b:v 1M -g 25|-c:a mp2 -b:a 128k|vob|mpg"
  "mandelbrot-h264-ts|mandelbrot|550|-c:v libx264 -preset veryfast -pix_fmt yuv420p -g 25|-c:a aac -b:a 96k|mpegts|ts"
  "testsrc2-mpeg2-ts|testsrc2|880|-c:v mpeg2video -b:v 1M -g 12|-c:a mp2 -b:a 128k|mpegts|ts"
  "life-h265-ts|life|330|-c:v libx265 -preset ultrafast -b:v 1M -x265-params log-level=error -pix_fmt yuv420p -g 25|-c:a aac -b:a 96k|mpegts|ts"
)

for clip in "${clips[@]}"; do
  IFS='|' read -r name picture tone video audio muxer extension <<<"$clip"
  media="$out/media/$name.$extension"
  # shellcheck disable=SC2086  # the encoder options are word lists
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "$picture=size=352x288:rate=25" \
    -f lavfi -i "sine=frequency=$tone:sample_rate=44100" \
    -t "$seconds" $video $audio -f "$muxer" "$media"
  "$tool" "$media" "$out/$name.kst"
  echo "sample stream: $out/$name.kst ($(stat -c %s "$out/$name.kst") bytes, from $media)"
done
