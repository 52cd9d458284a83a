// In a transport stream most senders leave a video PES packet's length open,
// so the demuxer knows a picture has ended only when the next one begins:
// every picture of a live stream would wait a picture interval for its
// successor. The transport packet that ends such a PES is recognisable all
// the same: a sender pads a packet's payload with adaptation-field stuffing
// only when the PES has no more bytes for it. PesEndMarker finds that packet
// in the bytes on their way to the demuxer and puts a marker packet on the
// same PID right after it. The marker starts a new unit, so the demuxer hands
// on the PES before it at once, and holds no PES header, so the demuxer skips
// it until the next real start; its discontinuity flag keeps the demuxer's
// continuity count in step. A PES whose last packet happens to be full is
// not seen: it waits for its successor, as before.
#ifndef M4_FFMPEG_PES_END_MARKER_H
#define M4_FFMPEG_PES_END_MARKER_H

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "InputStage.h"

namespace decoder_ffmpeg {

class PesEndMarker final : public InputStage {
 public:
  static constexpr size_t kPacketSize = 188;

  // Bytes just read, on their way to the demuxer.
  void Add(const uint8_t* data, size_t size) override;
  // Fills |out| with up to |room| bytes of what waits, cut at the end of the
  // first packet among them that ends a video PES: the marker and the rest
  // wait for the next call. 0 when nothing waits.
  size_t Take(uint8_t* out, size_t room) override;
  // A new stream: nothing waits and no PID is known.
  void Reset() override;

 private:
  // Answers how many of the bytes to hand on: all, or up to the end of the
  // first packet that ends a video PES (then the marker is made).
  size_t Scan(const uint8_t* data, size_t size);
  // Notes a PID that carries video; answers whether |packet| ends a PES on
  // such a PID.
  bool EndsVideoPes(const uint8_t* packet);
  void MakeMarkerAfter(const uint8_t* packet);
  // What waits from now on: the marker, then the bytes from |first| to |last|.
  void WaitBehindMarker(const uint8_t* first, const uint8_t* last);

  std::array<uint8_t, kPacketSize> partial_{};  // a packet split between reads
  size_t partialSize_ = 0;
  std::bitset<8192> videoPids_;
  std::array<uint8_t, kPacketSize> marker_{};
  bool markerMade_ = false;
  std::vector<uint8_t> waiting_;
  size_t waitingRead_ = 0;
};

}  // namespace decoder_ffmpeg

#endif
