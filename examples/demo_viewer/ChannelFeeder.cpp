#include "ChannelFeeder.h"

#include <algorithm>
#include <chrono>

namespace demo_viewer {

namespace {

// How long the feeder rests when its block does not fit or was refused: long
// enough not to flood the player's trace log with buffer queries, short
// enough to keep a 25 fps stream's buffer well filled.
constexpr std::chrono::milliseconds kRetryPause{20};

}  // namespace

ChannelFeeder::ChannelFeeder(SinglePlayer& player, int32_t channel,
                             const std::vector<uint8_t>& payload, uint32_t blockBytes)
    : player_(player), channel_(channel), payload_(payload), blockBytes_(blockBytes) {}

ChannelFeeder::~ChannelFeeder() { Stop(); }

void ChannelFeeder::Start() {
  if (thread_.joinable() || payload_.empty()) return;
  stopping_ = false;
  thread_ = std::thread(&ChannelFeeder::Run, this);
}

void ChannelFeeder::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

FeedOutcome ChannelFeeder::FeedOnce() {
  const uint32_t size =
      static_cast<uint32_t>(std::min<size_t>(blockBytes_, payload_.size() - position_));
  uint32_t waiting = 0;
  if (player_.Play_GetBufferRemainDataSize(channel_, &waiting) == 0 &&
      waiting + size > kSourceBufferBytes) {
    return FeedOutcome::kBufferFull;
  }
  const int32_t result = player_.Play_InputData(channel_, payload_.data() + position_, size, 0);
  if (result != 0) return FeedOutcome::kRefused;
  bytesFed_ += size;
  position_ += size;
  if (position_ == payload_.size()) {
    position_ = 0;
    ++loops_;
  }
  return FeedOutcome::kFed;
}

void ChannelFeeder::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    const FeedOutcome outcome = FeedOnce();
    lock.lock();
    if (outcome != FeedOutcome::kFed) {
      wake_.wait_for(lock, kRetryPause, [this] { return stopping_; });
    }
  }
}

}  // namespace demo_viewer
