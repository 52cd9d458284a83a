// What waiting for a channel costs: one thread holds a channel's lock for
// 600 ms, as a close does while the decoder joins its threads, and another
// asks for it meanwhile. Prints the processor time the waiter used, per
// round and the median. Then what a hand-over to a sleeping waiter takes:
// two threads pass a turn back and forth through a word, each asleep until
// the other hands it on, in each way the system offers (on Windows also the
// condition variables that stand in for the address waits before Windows 8,
// and the millisecond naps they replaced). A plain program, so that it runs
// the same on Linux and, built with mingw-w64, under wine or on Windows.
//
//   kelo_lock_wait [ROUNDS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "ThreadCpuTime.h"
#include "TicketLock.h"
#if defined(_WIN32)
#include "Win32WordWaits.h"
#endif

namespace {

// Microseconds per hand-over of a turn between two threads that sleep on
// the turn's word with |wait| until the other wakes them with |wake|.
template <typename Wait, typename Wake>
double MicrosPerHandOver(uint32_t handOvers, Wait wait, Wake wake) {
  std::atomic<uint32_t> turn{0};
  auto take = [&](uint32_t first) {
    for (uint32_t mine = first; mine < handOvers; mine += 2) {
      for (uint32_t now = turn.load(); now != mine; now = turn.load()) wait(turn, now);
      turn.store(mine + 1);
      wake(turn);
    }
  };
  const auto start = std::chrono::steady_clock::now();
  std::thread first(take, 0);
  std::thread second(take, 1);
  first.join();
  second.join();
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  return took.count() / handOvers;
}

void PrintHandOvers() {
  constexpr uint32_t kHandOvers = 2000;
  std::printf("hand-over to a sleeping thread, the system's way: %.1f us\n",
              MicrosPerHandOver(kHandOvers, platform::WaitWhileEqual, platform::WakeAllWaiting));
#if defined(_WIN32)
  platform::WordWaits conditions(platform::WordWaits::Kind::kConditionVariables);
  std::printf("hand-over to a sleeping thread, condition variables: %.1f us\n",
              MicrosPerHandOver(
                  kHandOvers,
                  [&](const std::atomic<uint32_t>& word, uint32_t expected) {
                    conditions.WaitWhileEqual(word, expected);
                  },
                  [&](const std::atomic<uint32_t>& word) { conditions.WakeAll(word); }));
  // The naps of Sleep(1) that the condition variables replaced: a timer
  // tick each, so fewer of them.
  std::printf("hand-over to a napping thread, Sleep(1): %.1f us\n",
              MicrosPerHandOver(
                  kHandOvers / 20, [](const std::atomic<uint32_t>&, uint32_t) { Sleep(1); },
                  [](const std::atomic<uint32_t>&) {}));
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  constexpr std::chrono::milliseconds kHeld(600);
  std::vector<double> waiterMs;
  for (int round = 0; round < rounds; ++round) {
    src::TicketLock channel;
    channel.lock();
    std::chrono::microseconds used{};
    std::thread waiter([&] {
      const std::chrono::microseconds before = tests::ThreadCpuTime();
      channel.lock();
      used = tests::ThreadCpuTime() - before;
      channel.unlock();
    });
    std::this_thread::sleep_for(kHeld);
    channel.unlock();
    waiter.join();
    waiterMs.push_back(static_cast<double>(used.count()) / 1000.0);
    std::printf("round %d: the waiter used %.2f ms of processor time in %lld ms\n", round + 1,
                waiterMs.back(), static_cast<long long>(kHeld.count()));
  }
  std::sort(waiterMs.begin(), waiterMs.end());
  std::printf("median: %.2f ms\n", waiterMs[waiterMs.size() / 2]);
  PrintHandOvers();
  return 0;
}
