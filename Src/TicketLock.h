// The lock of one channel. Taking and giving it back when nobody waits costs
// two atomic read-modify-writes, a third less than a system mutex, which
// matters on the path of every block of stream data. Waiters are served in
// the order they came, so a feeder that calls again at once cannot starve a
// control thread. A waiter spins briefly, since most holders let go within
// microseconds, then sleeps in the kernel until a holder lets go: the lock
// may be held across a decoder call that takes hundreds of milliseconds
// (closing a port joins its threads), and a waiter that polled meanwhile
// would take processor time from the very threads the holder waits for.
#ifndef KELO820_SRC_TICKETLOCK_H
#define KELO820_SRC_TICKETLOCK_H

#include <atomic>
#include <cstdint>
#include <thread>

#include "Platform.h"

namespace src {

class TicketLock {
 public:
  TicketLock() = default;
  TicketLock(const TicketLock&) = delete;
  TicketLock& operator=(const TicketLock&) = delete;

  void lock() {
    const uint32_t ticket = next_.fetch_add(1, std::memory_order_seq_cst);
    if (serving_.load(std::memory_order_seq_cst) != ticket) WaitFor(ticket);
  }

  void unlock() {
    // The taking of a ticket and the look at |serving_| in lock(), and the
    // move of |serving_| and the look at |next_| here, are ordered alike: a
    // waiter either sees its turn come or is seen here and woken.
    const uint32_t served = serving_.fetch_add(1, std::memory_order_seq_cst) + 1;
    if (next_.load(std::memory_order_seq_cst) != served) platform::WakeAllWaiting(serving_);
  }

 private:
  // Out of line: the path of a lock nobody holds stays short.
#if defined(__GNUC__)
  __attribute__((noinline))
#endif
  void
  WaitFor(uint32_t ticket) {
    for (uint32_t polls = 0;; ++polls) {
      const uint32_t serving = serving_.load(std::memory_order_seq_cst);
      if (serving == ticket) return;
      if (polls < kSpins) continue;
      if (polls < kSpins + kYields) {
        std::this_thread::yield();
      } else {
        platform::WaitWhileEqual(serving_, serving);
      }
    }
  }

  static constexpr uint32_t kSpins = 64;
  static constexpr uint32_t kYields = 16;

  std::atomic<uint32_t> next_{0};
  std::atomic<uint32_t> serving_{0};
};

}  // namespace src

#endif  // KELO820_SRC_TICKETLOCK_H
