// The channel lock: mutual exclusion, first come first served, and waiters
// that sleep while a holder keeps the channel for long.
#include "TicketLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "ThreadCpuTime.h"

namespace tests {
namespace {

using std::chrono::milliseconds;

// A close keeps its channel while the decoder joins its threads: whoever
// waits for the channel meanwhile must leave the processor to them. A waiter
// that polled took a whole core on Windows (naps shorter than the timer's
// tick do not sleep there) and an eighth of one on Linux.
TEST(TicketLockTest, AWaiterSleepsWhileTheHolderKeepsTheLock) {
  constexpr milliseconds kHeld(200);
  src::TicketLock lock;
  lock.lock();
  std::chrono::microseconds waited{};
  std::thread waiter([&] {
    const std::chrono::microseconds before = ThreadCpuTime();
    lock.lock();
    waited = ThreadCpuTime() - before;
    lock.unlock();
  });
  std::this_thread::sleep_for(kHeld);
  lock.unlock();
  waiter.join();
  EXPECT_LT(waited, std::chrono::duration_cast<std::chrono::microseconds>(kHeld) / 20)
      << "the waiter used " << waited.count() << " us of processor time";
}

// Every waiter is woken in its turn, also when several sleep at once and
// each holder keeps the lock long enough for the others to fall asleep.
TEST(TicketLockTest, SleepingWaitersAreWokenEachInTurn) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 20;
  src::TicketLock lock;
  int inside = 0;
  int entries = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        std::lock_guard<src::TicketLock> held(lock);
        EXPECT_EQ(++inside, 1);
        ++entries;
        std::this_thread::sleep_for(milliseconds(1));
        --inside;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(entries, kThreads * kRounds);
}

}  // namespace
}  // namespace tests
