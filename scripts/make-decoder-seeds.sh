#!/usr/bin/env bash
# Makes the decoder fuzzer's seeds in fuzz/corpus/decoder/: a small stream of
# each kind the decoder is meant for, made with the ffmpeg tool and wrapped
# in the fuzzer's input layout (fuzz/DecoderFuzzer.cpp): a setup byte, then
# operations (play, a callback that reads every picture, blocks of varying
# sizes, waits for the decoder, the end marker). The seeds are committed;
# run this again only when the layout changes.
#
#   scripts/make-decoder-seeds.sh [OUTPUT_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/fuzz/corpus/decoder}
# The ffmpeg tool makes the streams.
"$root/scripts/install-packages.sh" decoder
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# The operations, as DecoderFuzzer.cpp numbers them.
readonly BLOCK=0 DRAIN=1 RESET=2 PLAY=3 PAUSE=4 FAST=5 SLOW=6 STEP=7 STOP=8 CALLBACK=9
readonly SETTINGS=10 END_MARKER=11 REOPEN=12 REGION=13 QUERIES=14 BITMAP=16
# Setup byte: the header (1-7 made ones, 0 from the input), file mode,
# sound on, buffer size (0: 1 KiB, 1: 8 KiB, 2: 50 KiB, 3: 1 MiB).
setup() { byte $(($1 | ${2:-0} << 3 | ${3:-0} << 4 | ${4:-2} << 5)); }

byte() { printf "\\$(printf %03o "$1")"; }
u16() { byte $(($1 & 255)) && byte $(($1 >> 8)); }
# part FILE AT SIZE: SIZE bytes of FILE from offset AT. (Not tail | head: the
# tail killed by head's end fails the pipeline, and the script with it.)
part() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" status=none; }

# Blocks of |media| in sizes that cycle through |sizes|, the decoder let
# to catch up after every second one.
blocks() {
  local media=$1 total at=0 count=0 size
  shift
  local sizes=("$@")
  total=$(stat -c %s "$media")
  while ((at < total)); do
    size=${sizes[count % ${#sizes[@]}]}
    ((size > total - at)) && size=$((total - at))
    byte $BLOCK
    u16 "$size"
    part "$media" "$at" "$size"
    at=$((at + size))
    count=$((count + 1))
    ((count % 2 == 0)) && byte $DRAIN
  done
  return 0
}

# A tiny coloured test picture, 10 pictures at 25 per second, some with a tone.
make() {
  local name=$1
  shift
  ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=96x64:rate=25 "$@" \
    "$work/$name"
}
tone=(-f lavfi -i sine=frequency=440:sample_rate=48000 -map 0:v -map 1:a -t 0.4)
make mpeg2.mpg "${tone[@]}" -frames:v 10 -c:v mpeg2video -g 5 -bf 2 -q:v 8 -c:a mp2 -b:a 64k -f vob
make mpeg4.mpg -frames:v 10 -c:v mpeg4 -g 5 -bf 0 -q:v 8 -f vob
make h264.mpg "${tone[@]}" -frames:v 10 -c:v libx264 -preset veryfast -g 5 -bf 2 \
  -pix_fmt yuv420p -c:a mp2 -b:a 64k -f vob
make h264.ts "${tone[@]}" -frames:v 10 -c:v libx264 -preset veryfast -tune zerolatency -g 5 \
  -pix_fmt yuv420p -c:a aac -b:a 32k -f mpegts
make hevc.ts -frames:v 10 -c:v libx265 -preset ultrafast \
  -x265-params log-level=error:bframes=0 -g 5 -pix_fmt yuv420p -f mpegts
make mpeg4.ts "${tone[@]}" -frames:v 10 -c:v mpeg4 -g 5 -bf 2 -q:v 8 -c:a aac -b:a 32k -f mpegts
make mpeg2.ts -frames:v 10 -c:v mpeg2video -g 5 -bf 0 -q:v 8 -f mpegts

# Each kind under its own made header: play, read every picture, blocks, end.
seed() {
  local name=$1 header=$2 mode=$3 sound=$4
  shift 4
  {
    setup "$header" "$mode" "$sound"
    byte $PLAY
    byte $CALLBACK && byte 1
    blocks "$work/$name" "$@"
    byte $END_MARKER && byte $DRAIN && byte $QUERIES
  } >"$out/${name/./-}"
}
seed mpeg2.mpg 1 0 1 4000 1500
seed mpeg4.mpg 2 1 0 2048
seed h264.mpg 3 0 0 3000 700
seed h264.ts 4 1 1 1880 4700
seed hevc.ts 5 0 0 5000
seed mpeg4.ts 6 0 1 1316 3760
seed mpeg2.ts 7 1 0 2632

# A transport stream with no header record: its first packet is given as the
# header and the container is found by probing.
{
  setup 0
  byte 188 && head -c 188 "$work/h264.ts"
  byte $PLAY && byte $CALLBACK && byte 1
  tail -c +189 "$work/h264.ts" >"$work/h264-rest.ts"
  blocks "$work/h264-rest.ts" 3000
  byte $DRAIN
} >"$out/h264-ts-probed"

# A header record given as bytes, then the controls between blocks: pause,
# speed, steps, a region, the settings, two bitmaps, a reset, a close and
# reopen.
{
  setup 0 1 0 1
  byte 64 && printf 'KM4H\1\0\100\0'
  printf 'mpegts\0\0\0\0\0\0\0\0\0\0' && printf 'mpeg4\0\0\0\0\0\0\0\0\0\0\0'
  printf 'aac\0\0\0\0\0\0\0\0\0\0\0\0\0' && head -c 8 /dev/zero
  byte $PLAY && byte $CALLBACK && byte 2
  head -c 4000 "$work/mpeg4.ts" >"$work/mpeg4-start.ts"
  blocks "$work/mpeg4-start.ts" 4000
  byte $FAST && byte $FAST && byte $SLOW && byte $DRAIN
  byte $PAUSE && byte 1 && byte $STEP && byte $STEP && byte $DRAIN
  byte $PAUSE && byte 0 && byte $SETTINGS && byte $((0xF9)) && byte $QUERIES
  byte $REGION && byte 1 && u16 8 && u16 8 && u16 40 && u16 32
  byte $BITMAP && byte 1 && byte 8 && byte 6 && u16 72 && head -c 72 "$work/mpeg4.ts"
  byte $BITMAP && byte 3 && byte 7 && byte 5 && u16 80 && head -c 80 "$work/mpeg4.ts"
  byte $RESET
  part "$work/mpeg4.ts" 4000 6000 >"$work/mpeg4-middle.ts"
  blocks "$work/mpeg4-middle.ts" 3000
  byte $STOP && byte $REOPEN && byte $PLAY
  head -c 10000 "$work/mpeg4.ts" >"$work/mpeg4-again.ts"
  blocks "$work/mpeg4-again.ts" 5000
  byte $END_MARKER && byte $DRAIN
} >"$out/mpeg4-ts-controls"

ls -l "$out"
