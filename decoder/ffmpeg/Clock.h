// The time that pacing runs on. The steady clock is the real one; the
// virtual clock lets a wait for a deadline end at once by moving its time
// forward to that deadline, so that a stream plays as fast as it decodes
// while every pacing decision still sees the times it would see in real time.
// A port takes the virtual clock when the environment variable KELO_M4_CLOCK
// is "virtual" at PlayM4_OpenStream (tests and throughput measurements).
#ifndef M4_FFMPEG_CLOCK_H
#define M4_FFMPEG_CLOCK_H

#include <atomic>
#include <cstdint>
#include <memory>

namespace decoder_ffmpeg {

constexpr int64_t kNoDeadline = INT64_MAX;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMicros() = 0;
  // How long a wait may sleep to reach |deadline| (-1: no limit).
  virtual int WaitTimeoutMillis(int64_t deadline) = 0;
};

class SteadyClock final : public Clock {
 public:
  int64_t NowMicros() override;
  int WaitTimeoutMillis(int64_t deadline) override;
};

class VirtualClock final : public Clock {
 public:
  int64_t NowMicros() override { return now_.load(); }
  int WaitTimeoutMillis(int64_t deadline) override;

 private:
  std::atomic<int64_t> now_{0};
};

std::unique_ptr<Clock> MakeClockFromEnvironment();

}  // namespace decoder_ffmpeg

#endif
