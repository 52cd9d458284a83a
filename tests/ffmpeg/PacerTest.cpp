// Pacing decisions on explicit times: speeds, pauses, late pictures.
#include <gtest/gtest.h>

#include "Pacer.h"

namespace m4 {
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

// The first picture came 80 ms late (the stream's opening held it up); the
// next ones, each the newest decoded, are shown as they are ready, and a
// late one after them is late against them. Pictures decoded ahead of their
// time (a client feeding faster than the stream plays) and files keep their
// pace.
TEST(PacerTest, LiveStreamsShowTheNewestPictureAtOnceAndFollowIt) {
  Pacer pacer;
  ASSERT_EQ(pacer.Decide(0, 80000, true, false, true).action, Action::kPresent);
  pacer.Presented(0, 80000);
  EXPECT_EQ(pacer.Decide(kFrame, 80000, true, true, false).action, Action::kWait);
  for (int i = 1; i < 3; ++i) {
    const PacingDecision decision = pacer.Decide(i * kFrame, i * kFrame + 1000, true, false, true);
    EXPECT_EQ(decision.action, Action::kPresent) << i;
    pacer.Presented(i * kFrame, i * kFrame + 1000);
  }
  const int64_t late = 3 * kFrame + 1000 + kLiveLateLimitMicros + 1;
  EXPECT_EQ(pacer.Decide(3 * kFrame, late, true, true).action, Action::kDrop);
  Pacer file;
  file.Decide(0, 80000, false, false, true);
  file.Presented(0, 80000);
  EXPECT_EQ(file.Decide(kFrame, kFrame + 1000, false, false, true).action, Action::kWait);
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
}  // namespace m4
