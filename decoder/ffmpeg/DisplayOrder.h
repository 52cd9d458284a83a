// Pictures of MPEG-1, MPEG-2 and MPEG-4 Visual video, decoded in the order
// they are sent (the decoder's low-delay mode), put in the order they are
// shown.
//
// A B picture is shown at once: nothing decoded after it comes before it. A
// reference picture (I, P) is shown after the B pictures that follow it in
// the stream; the decoder's own reordering holds it until the next reference
// is decoded, a picture interval at least, even in a stream without B
// pictures (few senders mark theirs as such). Here it is handed on as soon
// as nothing can come before it: when its stamp is the one after the last
// picture's (in a stream without B pictures at once, with them right after
// the last of them), or when it is shown no more than an interval after it
// is decoded (every picture decoded later is shown later: the first picture
// of a stream is shown without waiting for the second). Without stamps that
// say so it waits for the next reference as before.
#ifndef M4_FFMPEG_DISPLAY_ORDER_H
#define M4_FFMPEG_DISPLAY_ORDER_H

#include <cstdint>
#include <vector>

#include "DecodedPicture.h"

namespace decoder_ffmpeg {

class DisplayOrder {
 public:
  // Takes |frame|'s picture (|interval|: one picture's time, in the frame's
  // time base); |ready| gets the pictures that may be shown now, in order.
  void Add(AVFrame* frame, int64_t interval, std::vector<FramePtr>* ready);
  // The data has ended: the picture held back, if any.
  void Flush(std::vector<FramePtr>* ready);
  void Reset();

 private:
  bool IsNext(const AVFrame& picture, int64_t interval) const;
  static bool ShownAsDecoded(const AVFrame& picture, int64_t interval);
  void HandOn(FramePtr picture, std::vector<FramePtr>* ready);

  FramePtr held_;  // the last reference picture, waiting for its B pictures
  int64_t lastStamp_ = AV_NOPTS_VALUE;
};

}  // namespace decoder_ffmpeg

#endif
