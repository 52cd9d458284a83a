// A decoded picture on its way from the decoder thread to the presenter.
#ifndef M4_FFMPEG_DECODED_PICTURE_H
#define M4_FFMPEG_DECODED_PICTURE_H

#include <cstdint>
#include <memory>

extern "C" {
#include <libavutil/frame.h>
}

namespace decoder_ffmpeg {

struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct DecodedPicture {
  FramePtr frame;
  int64_t ptsMicros = 0;    // on the stream's time line, from its first picture
  uint64_t generation = 0;  // of the source buffer it was decoded from
  // Released by the end of a session: late by the wait that ended it, and
  // shown even so.
  bool flushed = false;
};

}  // namespace decoder_ffmpeg

#endif
