// Feeds one channel's stream payload to the player in fixed-size blocks from
// a thread of its own, starting over at the end of the payload.
#ifndef KELO_DEMO_VIEWER_CHANNEL_FEEDER_H
#define KELO_DEMO_VIEWER_CHANNEL_FEEDER_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace demo_viewer {

// The player opens every decoder stream with a source buffer of this many
// bytes (see the README); a block is only offered when it fits, because the
// player drops a block that the decoder refuses ten times in a row, and a
// dropped block would tear the stream.
constexpr uint32_t kSourceBufferBytes = 51200;
constexpr uint32_t kFeedBlockBytes = 4096;

enum class FeedOutcome {
  kFed,         // one block went in
  kBufferFull,  // the decoder still holds too much; try again later
  kRefused,     // the player refused the block (stepping, or an error)
};

class ChannelFeeder {
 public:
  ChannelFeeder(SinglePlayer& player, int32_t channel, const std::vector<uint8_t>& payload,
                uint32_t blockBytes = kFeedBlockBytes);
  ~ChannelFeeder();
  ChannelFeeder(const ChannelFeeder&) = delete;
  ChannelFeeder& operator=(const ChannelFeeder&) = delete;

  void Start();
  // Stops the thread; returns once it has left its last Play_InputData.
  void Stop();

  // Offers the next block once. A refused block is offered again next time,
  // so a stepping channel gets its blocks in order, one per step.
  FeedOutcome FeedOnce();

  uint64_t BytesFed() const { return bytesFed_.load(); }
  uint32_t Loops() const { return loops_.load(); }

 private:
  void Run();

  SinglePlayer& player_;
  const int32_t channel_;
  const std::vector<uint8_t>& payload_;
  const uint32_t blockBytes_;
  size_t position_ = 0;  // only the feeding thread moves it
  std::atomic<uint64_t> bytesFed_{0};
  std::atomic<uint32_t> loops_{0};

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_CHANNEL_FEEDER_H
