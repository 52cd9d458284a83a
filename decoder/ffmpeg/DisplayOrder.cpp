#include "DisplayOrder.h"

#include <cstdlib>
#include <utility>

namespace decoder_ffmpeg {

void DisplayOrder::Add(AVFrame* frame, int64_t interval, std::vector<FramePtr>* ready) {
  FramePtr picture(av_frame_alloc());
  if (picture == nullptr) return;
  av_frame_move_ref(picture.get(), frame);
  if (picture->pict_type == AV_PICTURE_TYPE_B) {
    HandOn(std::move(picture), ready);
    if (held_ != nullptr && IsNext(*held_, interval)) HandOn(std::move(held_), ready);
    return;
  }
  if (held_ != nullptr) HandOn(std::move(held_), ready);
  if (IsNext(*picture, interval) || ShownAsDecoded(*picture, interval)) {
    HandOn(std::move(picture), ready);
  } else {
    held_ = std::move(picture);
  }
}

void DisplayOrder::Flush(std::vector<FramePtr>* ready) {
  if (held_ != nullptr) HandOn(std::move(held_), ready);
}

void DisplayOrder::Reset() {
  held_.reset();
  lastStamp_ = AV_NOPTS_VALUE;
}

// Within half an interval: stamps rounded to the container's clock.
bool DisplayOrder::IsNext(const AVFrame& picture, int64_t interval) const {
  if (picture.pts == AV_NOPTS_VALUE || lastStamp_ == AV_NOPTS_VALUE || interval <= 0) return false;
  return std::llabs(picture.pts - lastStamp_ - interval) <= interval / 2;
}

// A picture decoded later is decoded an interval later at least, and shown
// no earlier than it is decoded. A small margin for stamps rounded to the
// container's clock.
bool DisplayOrder::ShownAsDecoded(const AVFrame& picture, int64_t interval) {
  if (picture.pts == AV_NOPTS_VALUE || picture.pkt_dts == AV_NOPTS_VALUE || interval <= 0) {
    return false;
  }
  return picture.pts - picture.pkt_dts <= interval + interval / 8;
}

void DisplayOrder::HandOn(FramePtr picture, std::vector<FramePtr>* ready) {
  lastStamp_ = picture->pts;
  ready->push_back(std::move(picture));
}

}  // namespace decoder_ffmpeg
