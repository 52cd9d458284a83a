// A program stream may name its streams' codecs in a program stream map;
// most cameras send none, and the demuxer then guesses a video stream's codec
// from its first bytes, which a stream joined mid-way can make it take for
// MPEG audio. The map built here from the stream header is given to the
// demuxer ahead of each session's data, so that the codecs the header names
// bind the streams and nothing is guessed.
#ifndef M4_FFMPEG_PROGRAM_STREAM_MAP_H
#define M4_FFMPEG_PROGRAM_STREAM_MAP_H

#include <cstdint>
#include <vector>

#include "StreamFormat.h"

namespace m4 {

// Empty when the header names no program stream, or no codec that a map can
// express (MPEG audio needs none: the demuxer takes it as such anyway).
std::vector<uint8_t> ProgramStreamMapFor(const StreamHeader& header);

}  // namespace m4

#endif
