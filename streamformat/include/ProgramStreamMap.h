// A program stream map names the codec of each of a stream's elementary
// streams. Most cameras send none, and the demuxer then guesses a video
// stream's codec from its first bytes, which a stream joined mid-way can
// make it take for MPEG audio: the map built here from the stream header is
// given to the demuxer ahead of each session's data, so that the codecs the
// header names bind the streams and nothing is guessed. Cameras that do send
// one name their G.711 sound in it, which the demuxer does not read: G711Map
// does.
#ifndef M4_PROGRAM_STREAM_MAP_H
#define M4_PROGRAM_STREAM_MAP_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ProgramStream.h"
#include "StreamFormat.h"

namespace streamformat {

// Empty when the header names no program stream, or no codec that a map can
// express (MPEG audio needs none: the demuxer takes it as such anyway).
std::vector<uint8_t> ProgramStreamMapFor(const StreamHeader& header);

// The G.711 laws that the last map read gives the audio streams C0..DF.
class G711Map {
 public:
  // |packet| is a whole map of |size| bytes. A map too short for the
  // lengths it gives changes nothing.
  void Read(const uint8_t* packet, size_t size);
  // The law the map gives stream |id|; |unlisted| for an audio stream it
  // does not list, kNone for any other stream.
  G711Law LawOf(uint8_t id, G711Law unlisted) const;
  // No map read.
  void Clear();

 private:
  std::array<G711Law, 32> laws_{};
  std::array<bool, 32> listed_{};
};

}  // namespace streamformat

#endif
