// The lock of one channel. Taking and giving it back when nobody waits costs
// one atomic read-modify-write and one store, a third of what a system mutex
// costs, which matters on the path of every block of stream data. Waiters
// are served in the order they came, so a feeder that calls again at once
// cannot starve a control thread. A waiter polls rather than being woken:
// it spins briefly, then yields, then naps for short spells, since the lock
// may be held across a decoder call that takes milliseconds (closing a
// port joins its threads).
#ifndef KELO820_SRC_TICKETLOCK_H
#define KELO820_SRC_TICKETLOCK_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace kelo {

class TicketLock {
 public:
  TicketLock() = default;
  TicketLock(const TicketLock&) = delete;
  TicketLock& operator=(const TicketLock&) = delete;

  void lock() {
    const uint32_t ticket = next_.fetch_add(1, std::memory_order_relaxed);
    if (serving_.load(std::memory_order_acquire) != ticket) WaitFor(ticket);
  }

  void unlock() {
    // Only the holder moves |serving_|, so no read-modify-write is needed.
    serving_.store(serving_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }

 private:
  // Out of line: the path of a lock nobody holds stays short.
#if defined(__GNUC__)
  __attribute__((noinline))
#endif
  void WaitFor(uint32_t ticket) {
    for (uint32_t polls = 0; serving_.load(std::memory_order_acquire) != ticket; ++polls) {
      if (polls < kSpins) continue;
      if (polls < kSpins + kYields) {
        std::this_thread::yield();
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
    }
  }

  static constexpr uint32_t kSpins = 64;
  static constexpr uint32_t kYields = 256;

  std::atomic<uint32_t> next_{0};
  std::atomic<uint32_t> serving_{0};
};

}  // namespace kelo

#endif  // KELO820_SRC_TICKETLOCK_H
