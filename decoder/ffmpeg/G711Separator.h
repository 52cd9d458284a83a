// Cameras send their microphone's sound in program streams as G.711 under an
// MPEG audio stream id (ProgramStream.h). libavformat's program stream
// demuxer takes the stream for MPEG audio, whose parser would cut G.711
// bytes into bogus frames. So the G.711 packets are taken out of the bytes
// on their way to the demuxer: each is relabelled as a padding packet of
// the same length, which the demuxer skips, and its payload goes to the
// sound decoder directly. Every other byte passes as it came, and at once,
// except a packet header not yet whole. Walking the packets anyway, it also
// tells a PictureEnds about them when given one, and puts what that answers
// between them.
#ifndef M4_FFMPEG_G711_SEPARATOR_H
#define M4_FFMPEG_G711_SEPARATOR_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "InputStage.h"
#include "ProgramStream.h"
#include "ProgramStreamMap.h"

namespace decoder_ffmpeg {

class PictureEnds;

class G711Separator final : public InputStage {
 public:
  // The payload of one G.711 packet.
  using Sink = std::function<void(streamformat::G711Law law, const uint8_t* payload, size_t size)>;

  // |headerLaw|: what the stream header names for every audio stream id;
  // a program stream map in the stream overrides it for the ids it lists.
  G711Separator(streamformat::G711Law headerLaw, Sink sink, PictureEnds* pictureEnds = nullptr);

  // Bytes just read, on their way to the demuxer.
  void Add(const uint8_t* data, size_t size) override;
  // Copies up to |room| bytes that are ready for the demuxer to |out|;
  // answers how many.
  size_t Take(uint8_t* out, size_t room) override;
  // A new stream: nothing waits, the stream's own map is forgotten.
  void Reset() override;

 private:
  // Walks the packets in pending_ from scanned_ on, as far as they are known.
  void Scan();
  void Separate(uint8_t* packet, size_t size, streamformat::G711Law law);
  // Puts |bytes| before the packet at scanned_, ready for the demuxer.
  void Insert(const std::vector<uint8_t>& bytes);

  const streamformat::G711Law headerLaw_;
  const Sink sink_;
  PictureEnds* const pictureEnds_;
  bool passingVideo_ = false;   // passThrough_ is a video PES
  size_t videoHeaderLeft_ = 0;  // of its PES header, still to pass
  streamformat::G711Map map_;   // the stream's own
  std::vector<uint8_t> pending_;
  size_t scanned_ = 0;      // bytes of pending_ ready for the demuxer
  size_t passThrough_ = 0;  // bytes still to come of a packet that passes unchanged
};

}  // namespace decoder_ffmpeg

#endif
