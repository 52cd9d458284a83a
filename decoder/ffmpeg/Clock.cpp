#include "Clock.h"

#include <chrono>

#include "Environment.h"

namespace decoder_ffmpeg {

int64_t SteadyClock::NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int SteadyClock::WaitTimeoutMillis(int64_t deadline) {
  if (deadline == kNoDeadline) return -1;
  const int64_t left = deadline - NowMicros();
  if (left <= 0) return 0;
  // Rounded up: waking early would only mean another round.
  const int64_t millis = (left + 999) / 1000;
  return millis > INT32_MAX ? INT32_MAX : static_cast<int>(millis);
}

int VirtualClock::WaitTimeoutMillis(int64_t deadline) {
  if (deadline == kNoDeadline) return -1;
  int64_t now = now_.load();
  while (now < deadline && !now_.compare_exchange_weak(now, deadline)) {
  }
  return 0;
}

std::unique_ptr<Clock> MakeClockFromEnvironment() {
  if (ReadDecoderEnvironment().virtualClock) return std::make_unique<VirtualClock>();
  return std::make_unique<SteadyClock>();
}

}  // namespace decoder_ffmpeg
