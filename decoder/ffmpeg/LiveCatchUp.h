// Where a live stream's decoding skips ahead. When the data behind what is
// being decoded has waited too long since it arrived (more channels than the machine
// decodes in real time, or the burst after a long stall), the video packets
// up to the next key picture are not decoded: every picture decoded after
// that has its references, and what is skipped costs no decoding time. A
// key picture already in the data that waits is skipped to at once; without
// one, decoding goes on until the data is far behind, and then skips to the
// next key picture to come.
#ifndef M4_FFMPEG_LIVE_CATCH_UP_H
#define M4_FFMPEG_LIVE_CATCH_UP_H

#include <cstddef>
#include <cstdint>
#include <functional>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace decoder_ffmpeg {

// Behind by this much, a key picture that has arrived is skipped to ...
constexpr int64_t kBehindMicros = 200000;
// ... and by this much, the next one, wherever it is.
constexpr int64_t kFarBehindMicros = 500000;

// Whether the unit whose start code is followed by |unit| (the byte after
// 00 00 01) begins a picture that neither it nor any after it needs an
// earlier one for: an IDR picture, or the parameter sets that cameras send
// ahead of each (a container's key flag also marks I pictures that B
// pictures after them reach past).
bool StartsKeyPicture(AVCodecID codec, uint8_t unit);
// Whether |data| holds such a start.
bool HoldsKeyPictureStart(AVCodecID codec, const uint8_t* data, size_t size);

class LiveCatchUp {
 public:
  // Whether the video packet |data| of |codec| is skipped; |ageMicros|: how
  // long the data not yet read has waited; |keyWaiting| tells whether a key
  // picture's start is among the data not yet read.
  bool Skips(AVCodecID codec, const uint8_t* data, size_t size, int64_t ageMicros,
             const std::function<bool()>& keyWaiting);
  void Reset() { skipping_ = false; }

 private:
  bool skipping_ = false;
};

}  // namespace decoder_ffmpeg

#endif
