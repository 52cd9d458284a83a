#include "PictureQueue.h"

#include <algorithm>
#include <utility>

namespace decoder_ffmpeg {

PictureQueue::PictureQueue(size_t capacity, size_t refillAt,
                           std::function<void(bool wasEmpty)> onPush)
    : capacity_(capacity),
      refillAt_(std::min(refillAt, capacity - 1)),
      onPush_(std::move(onPush)) {}

bool PictureQueue::Push(DecodedPicture picture, uint64_t generation) {
  bool wasEmpty = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    roomFreed_.wait(lock, [&] { return closed_ || generation_ != generation || !draining_; });
    if (closed_ || generation_ != generation) return false;
    wasEmpty = pictures_.empty();
    pictures_.push_back(std::move(picture));
    draining_ = pictures_.size() >= capacity_;
  }
  onPush_(wasEmpty);
  return true;
}

std::optional<DecodedPicture> PictureQueue::TryTake() {
  std::optional<DecodedPicture> taken;
  bool refill = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pictures_.empty()) return taken;
    taken.emplace(std::move(pictures_.front()));
    pictures_.pop_front();
    refill = draining_ && pictures_.size() <= refillAt_;
    if (refill) draining_ = false;
  }
  if (refill) roomFreed_.notify_all();
  return taken;
}

size_t PictureQueue::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pictures_.size();
}

void PictureQueue::Clear(uint64_t generation) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pictures_.clear();
    draining_ = false;
    generation_ = generation;
  }
  roomFreed_.notify_all();
}

void PictureQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  roomFreed_.notify_all();
}

}  // namespace decoder_ffmpeg
