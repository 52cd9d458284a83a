#include "PictureQueue.h"

#include <utility>

namespace m4 {

PictureQueue::PictureQueue(size_t capacity, std::function<void()> onPush)
    : capacity_(capacity), onPush_(std::move(onPush)) {}

bool PictureQueue::Push(DecodedPicture picture, uint64_t generation) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    roomFreed_.wait(
        lock, [&] { return closed_ || generation_ != generation || pictures_.size() < capacity_; });
    if (closed_ || generation_ != generation) return false;
    pictures_.push_back(std::move(picture));
  }
  onPush_();
  return true;
}

std::optional<DecodedPicture> PictureQueue::TryTake() {
  std::optional<DecodedPicture> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pictures_.empty()) return taken;
    taken.emplace(std::move(pictures_.front()));
    pictures_.pop_front();
  }
  roomFreed_.notify_all();
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

}  // namespace m4
