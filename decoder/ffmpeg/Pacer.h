// When each decoded picture is due. A picture's deadline is the anchor's
// clock time plus its time stamp's distance from the anchor's, divided by the
// speed; the anchor moves whenever the time line breaks (first picture,
// speed change, resume, a jump in the time stamps, falling far behind).
//
// A live stream at normal speed follows the arrival of its data instead:
// each picture is shown as soon as it is decoded and becomes the anchor, so
// that a camera whose clock runs fast or slow is followed both ways. The
// anchor still tells how late a picture is: after a stall, the pictures of
// the burst that ends it are late by the stall, and those more than
// kLiveLateLimitMicros late are dropped while more wait behind them, so that
// the stream is back at the live edge as soon as the burst is decoded.
#ifndef M4_FFMPEG_PACER_H
#define M4_FFMPEG_PACER_H

#include <cstdint>

namespace decoder_ffmpeg {

constexpr int kMaxSpeedLevel = 4;  // 16x; level -4 is 1/16x

// A live stream drops a picture this late (against the last one shown)
// when more are waiting behind it.
constexpr int64_t kLiveLateLimitMicros = 150000;
// Further behind than this, any stream starts its time line afresh rather
// than rush through the pictures it missed.
constexpr int64_t kResyncLimitMicros = 1000000;

struct PacingDecision {
  enum class Action { kPresent, kWait, kDrop };
  Action action;
  int64_t deadline;  // for kWait
};

class Pacer {
 public:
  // 2^level times normal speed; the time line bends at the last picture shown.
  void SetSpeedLevel(int level);
  int SpeedLevel() const { return speedLevel_; }
  // The next picture becomes the anchor and is shown at once.
  void Restart();
  // After a pause the last picture shown counts as shown at |now|.
  void Resume(int64_t now);

  // |backlog|: data or pictures wait behind this picture.
  PacingDecision Decide(int64_t pts, int64_t now, bool live, bool backlog);
  void Presented(int64_t pts, int64_t now);

 private:
  void Anchor(int64_t pts, int64_t clock);
  int64_t DeadlineFor(int64_t pts) const;
  bool BreaksTimeLine(int64_t pts) const;

  int speedLevel_ = 0;
  bool anchored_ = false;
  int64_t anchorPts_ = 0;
  int64_t anchorClock_ = 0;
  bool presentedAny_ = false;
  int64_t lastPts_ = 0;
  int64_t lastClock_ = 0;
};

}  // namespace decoder_ffmpeg

#endif
