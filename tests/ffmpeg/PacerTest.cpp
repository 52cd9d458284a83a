// Pacing decisions on explicit times: speeds, pauses, late pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Pacer.h"

namespace decoder_ffmpeg {
namespace {

constexpr int64_t kFrame = 40000;  // 25 pictures a second, in microseconds
using Action = PacingDecision::Action;

// Plays pictures 0..count-1 as the presenter would, waiting exactly until
// each deadline; answers the clock time at which the last one was shown.
int64_t PlayThrough(Pacer& pacer, int count, int64_t start) {
  int64_t now = start;
  for (int i = 0; i < count; ++i) {
    PacingDecision decision = pacer.Decide(i * kFrame, now, false, true);
    if (decision.action == Action::kWait) {
      now = decision.deadline;
      decision = pacer.Decide(i * kFrame, now, false, true);
    }
    EXPECT_EQ(decision.action, Action::kPresent);
    pacer.Presented(i * kFrame, now);
  }
  return now;
}

TEST(PacerTest, EachSpeedLevelScalesTheTimeBetweenPictures) {
  for (int level = -kMaxSpeedLevel; level <= kMaxSpeedLevel; ++level) {
    Pacer pacer;
    pacer.SetSpeedLevel(level);
    const int64_t end = PlayThrough(pacer, 17, 1000);
    const int64_t expected = level >= 0 ? 16 * kFrame / (1 << level) : 16 * kFrame * (1 << -level);
    EXPECT_EQ(end - 1000, expected) << "level " << level;
  }
}

TEST(PacerTest, SpeedChangeBendsTheTimeLineAtTheLastPictureShown) {
  Pacer pacer;
  const int64_t shownAt = PlayThrough(pacer, 5, 0);  // picture 4 at 160 ms
  pacer.SetSpeedLevel(1);
  const PacingDecision next = pacer.Decide(5 * kFrame, shownAt, false, true);
  ASSERT_EQ(next.action, Action::kWait);
  EXPECT_EQ(next.deadline, shownAt + kFrame / 2);
}

TEST(PacerTest, ResumeShowsTheNextPictureOneIntervalAfterResuming) {
  Pacer pacer;
  PlayThrough(pacer, 3, 0);
  const int64_t resumedAt = 10000000;
  pacer.Resume(resumedAt);
  const PacingDecision next = pacer.Decide(3 * kFrame, resumedAt, false, true);
  ASSERT_EQ(next.action, Action::kWait);
  EXPECT_EQ(next.deadline, resumedAt + kFrame);
}

TEST(PacerTest, LiveStreamsDropLatePicturesOnlyWhenMoreAreWaiting) {
  Pacer pacer;
  PlayThrough(pacer, 2, 0);
  const int64_t late = kFrame * 2 + kLiveLateLimitMicros + 1;
  EXPECT_EQ(pacer.Decide(2 * kFrame, late, true, true).action, Action::kDrop);
  EXPECT_EQ(pacer.Decide(2 * kFrame, late, true, false).action, Action::kPresent);
}

// A camera sending picture i (stamped i intervals) at |arrival|(i), each
// decoded in 1 ms as its data is in, played by a live presenter: answers
// when each picture was shown, or -1 for a picture dropped.
template <typename Arrival>
std::vector<int64_t> PlayLive(int count, Arrival arrival) {
  constexpr int64_t kDecode = 1000;
  Pacer pacer;
  std::vector<int64_t> shownAt(count, -1);
  int64_t decoded = 0;
  int64_t now = 0;
  for (int i = 0; i < count; ++i) {
    decoded = std::max(decoded, arrival(i)) + kDecode;
    now = std::max(now, decoded);
    // More waits behind: the next picture's data is in.
    const bool backlog = i + 1 < count && arrival(i + 1) <= now;
    const PacingDecision decision = pacer.Decide(i * kFrame, now, true, backlog);
    EXPECT_NE(decision.action, Action::kWait) << "picture " << i;
    if (decision.action != Action::kPresent) continue;
    pacer.Presented(i * kFrame, now);
    shownAt[i] = now;
  }
  return shownAt;
}

// After a stall of any length the burst that ends it is caught up within a
// second of the data resuming, by dropping what is late, and every picture
// after that is shown within two intervals of its arrival.
TEST(PacerTest, LiveStreamsCatchUpAfterAStall) {
  for (const int64_t stall : {200000, 1000000, 3000000, 10000000}) {
    SCOPED_TRACE("stall of " + std::to_string(stall / 1000) + " ms");
    const int64_t from = 3000000;
    const auto arrival = [&](int i) {
      const int64_t sent = i * kFrame;
      return sent >= from && sent < from + stall ? from + stall : sent;
    };
    const int count = static_cast<int>((from + stall) / kFrame) + 100;
    const std::vector<int64_t> shownAt = PlayLive(count, arrival);
    for (int i = 0; i < count; ++i) {
      if (arrival(i) < from + stall + 1000000) continue;
      ASSERT_GE(shownAt[i], 0) << "picture " << i;
      EXPECT_LT(shownAt[i] - arrival(i), 2 * kFrame) << "picture " << i;
    }
  }
}

// A camera clock 2 % fast or slow is followed for an hour: every picture is
// shown as soon as it is in.
TEST(PacerTest, LiveStreamsFollowACameraClockBothWays) {
  constexpr int kHour = 3600 * 25;
  for (const int permille : {-20, 20}) {
    SCOPED_TRACE("clock off by " + std::to_string(permille) + " permille");
    const auto arrival = [&](int i) { return i * kFrame * (1000 + permille) / 1000; };
    const std::vector<int64_t> shownAt = PlayLive(kHour, arrival);
    int64_t worst = 0;
    for (int i = 0; i < kHour; ++i) {
      ASSERT_GE(shownAt[i], 0) << "picture " << i;
      worst = std::max(worst, shownAt[i] - arrival(i));
    }
    EXPECT_LT(worst, 2 * kFrame);
  }
}

// At other speeds a live stream keeps the pace of its stamps, as a file does.
TEST(PacerTest, LiveStreamsAtAnotherSpeedKeepTheirPace) {
  Pacer pacer;
  pacer.SetSpeedLevel(1);
  ASSERT_EQ(pacer.Decide(0, 0, true, true).action, Action::kPresent);
  pacer.Presented(0, 0);
  const PacingDecision next = pacer.Decide(kFrame, 1000, true, true);
  ASSERT_EQ(next.action, Action::kWait);
  EXPECT_EQ(next.deadline, kFrame / 2);
}

TEST(PacerTest, FilesShowLatePicturesAtOnce) {
  Pacer pacer;
  PlayThrough(pacer, 2, 0);
  EXPECT_EQ(pacer.Decide(2 * kFrame, kFrame * 2 + kLiveLateLimitMicros + 1, false, true).action,
            Action::kPresent);
}

TEST(PacerTest, FallingFarBehindStartsTheTimeLineAfresh) {
  Pacer pacer;
  PlayThrough(pacer, 2, 0);
  const int64_t now = 2 * kFrame + kResyncLimitMicros + 1;
  ASSERT_EQ(pacer.Decide(2 * kFrame, now, false, true).action, Action::kPresent);
  pacer.Presented(2 * kFrame, now);
  EXPECT_EQ(pacer.Decide(3 * kFrame, now, false, true).deadline, now + kFrame);
}

TEST(PacerTest, JumpsInTheTimeStampsRestartTheTimeLine) {
  Pacer pacer;
  const int64_t shownAt = PlayThrough(pacer, 10, 0);
  // A new stream starting again at zero is shown at once.
  EXPECT_EQ(pacer.Decide(0, shownAt, false, true).action, Action::kPresent);
  pacer.Presented(0, shownAt);
  EXPECT_EQ(pacer.Decide(60 * 1000000, shownAt, false, true).action, Action::kPresent);
}

}  // namespace
}  // namespace decoder_ffmpeg
