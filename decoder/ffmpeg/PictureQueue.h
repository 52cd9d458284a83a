// The few decoded pictures waiting for their time. A full queue holds the
// decoder thread back, which in turn lets the source buffer fill up; it is
// let go once the queue is down to its refill level, so that a decoder
// ahead of the clock decodes pictures in bursts (its reference pictures
// still in the cache, one wake-up for several) instead of one for each
// picture taken.
#ifndef M4_FFMPEG_PICTURE_QUEUE_H
#define M4_FFMPEG_PICTURE_QUEUE_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "DecodedPicture.h"

namespace decoder_ffmpeg {

class PictureQueue {
 public:
  // |onPush| hears of each picture pushed, and whether the queue was empty.
  PictureQueue(size_t capacity, size_t refillAt, std::function<void(bool wasEmpty)> onPush);

  // Waits for room. False when the queue was cleared for a newer generation
  // or closed meanwhile; the picture is then dropped.
  bool Push(DecodedPicture picture, uint64_t generation);
  std::optional<DecodedPicture> TryTake();
  size_t Size() const;

  // Drops every picture and releases pushers of older generations.
  void Clear(uint64_t generation);
  void Close();

 private:
  mutable std::mutex mutex_;
  std::condition_variable roomFreed_;
  std::deque<DecodedPicture> pictures_;
  const size_t capacity_;
  const size_t refillAt_;
  bool draining_ = false;  // filled up, and not yet down to refillAt_
  const std::function<void(bool wasEmpty)> onPush_;
  uint64_t generation_ = 0;
  bool closed_ = false;
};

}  // namespace decoder_ffmpeg

#endif
