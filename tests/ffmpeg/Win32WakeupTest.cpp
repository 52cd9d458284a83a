// The presenter's wake-up on Windows (decoder/ffmpeg/win32/WordWakeup.cpp):
// auto-reset, signals folding while nobody waits, and no signal lost between
// threads. A lost one would leave a wait without limit hanging, which the
// test's time limit turns into a failure.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "win32/WordWakeup.h"

namespace {

TEST(Win32WakeupTest, SignalsWhileNobodyWaitsFoldIntoOneThatTheNextWaitUses) {
  decoder_ffmpeg::WordWakeup wakeup;
  ASSERT_TRUE(wakeup.Valid());
  wakeup.Signal();
  wakeup.Signal();
  wakeup.Wait(-1);  // returns: the signals are there
  // Used up: nothing is left to end a wait at once, so this one ends by its
  // limit (or for nothing), and a third signal still wakes the next wait.
  wakeup.Wait(0);
  wakeup.Signal();
  wakeup.Wait(-1);
}

// Two threads hand a count back and forth, each sleeping on its own wake-up
// until the other has moved it on, as the decoder and the presenter do.
TEST(Win32WakeupTest, NoSignalIsLostBetweenThreads) {
  constexpr int kRounds = 20000;
  decoder_ffmpeg::WordWakeup toPartner;
  decoder_ffmpeg::WordWakeup toMain;
  std::atomic<int> count{0};
  std::thread partner([&] {
    for (int expected = 1; expected < kRounds; expected += 2) {
      while (count.load() != expected) toPartner.Wait(-1);
      count.store(expected + 1);
      toMain.Signal();
    }
  });
  for (int expected = 0; expected < kRounds; expected += 2) {
    while (count.load() != expected) toMain.Wait(-1);
    count.store(expected + 1);
    toPartner.Signal();
  }
  partner.join();
  EXPECT_EQ(count.load(), kRounds);
}

}  // namespace
