// What waiting for a channel costs: one thread holds a channel's lock for
// 600 ms, as a close does while the decoder joins its threads, and another
// asks for it meanwhile. Prints the processor time the waiter used, per
// round and the median. A plain program, so that it runs the same on Linux
// and, built with mingw-w64, under wine or on Windows.
//
//   kelo_lock_wait [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "ThreadCpuTime.h"
#include "TicketLock.h"

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  constexpr std::chrono::milliseconds kHeld(600);
  std::vector<double> waiterMs;
  for (int round = 0; round < rounds; ++round) {
    kelo::TicketLock channel;
    channel.lock();
    std::chrono::microseconds used{};
    std::thread waiter([&] {
      const std::chrono::microseconds before = kelo_test::ThreadCpuTime();
      channel.lock();
      used = kelo_test::ThreadCpuTime() - before;
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
  return 0;
}
