#include "Pacer.h"

namespace decoder_ffmpeg {
namespace {

constexpr int64_t kBackwardJumpMicros = 500000;
constexpr int64_t kForwardJumpMicros = 5000000;

}  // namespace

void Pacer::SetSpeedLevel(int level) {
  if (presentedAny_) Anchor(lastPts_, lastClock_);
  speedLevel_ = level;
}

void Pacer::Restart() {
  anchored_ = false;
  presentedAny_ = false;
}

void Pacer::Resume(int64_t now) {
  if (presentedAny_) {
    Anchor(lastPts_, now);
  } else {
    anchored_ = false;
  }
}

PacingDecision Pacer::Decide(int64_t pts, int64_t now, bool live, bool backlog) {
  if (!anchored_ || BreaksTimeLine(pts)) {
    Anchor(pts, now);
    return PacingDecision{PacingDecision::Action::kPresent, now};
  }
  const int64_t deadline = DeadlineFor(pts);
  const int64_t late = now - deadline;
  if (live && backlog && late > kLiveLateLimitMicros) {
    return PacingDecision{PacingDecision::Action::kDrop, deadline};
  }
  if (live && speedLevel_ == 0) {
    Anchor(pts, now);
    return PacingDecision{PacingDecision::Action::kPresent, now};
  }
  if (late < 0) return PacingDecision{PacingDecision::Action::kWait, deadline};
  if (late > kResyncLimitMicros) Anchor(pts, now);
  return PacingDecision{PacingDecision::Action::kPresent, deadline};
}

void Pacer::Presented(int64_t pts, int64_t now) {
  presentedAny_ = true;
  lastPts_ = pts;
  lastClock_ = now;
}

void Pacer::Anchor(int64_t pts, int64_t clock) {
  anchored_ = true;
  anchorPts_ = pts;
  anchorClock_ = clock;
}

int64_t Pacer::DeadlineFor(int64_t pts) const {
  const int64_t streamTime = pts - anchorPts_;
  if (speedLevel_ >= 0) return anchorClock_ + streamTime / (int64_t{1} << speedLevel_);
  return anchorClock_ + streamTime * (int64_t{1} << -speedLevel_);
}

bool Pacer::BreaksTimeLine(int64_t pts) const {
  if (!presentedAny_) return false;
  return pts < lastPts_ - kBackwardJumpMicros || pts > lastPts_ + kForwardJumpMicros;
}

}  // namespace decoder_ffmpeg
