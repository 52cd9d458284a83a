// Sleeping on a word of memory on Windows, for WaitWhileEqual and
// WakeAllWaiting of Platform.h. WaitOnAddress and WakeByAddressAll came with
// Windows 8 and are looked up rather than imported, so that the library still
// loads on an older system. There a waiter sleeps on a condition variable
// (Vista and later) instead, which a wake ends at once: a waiter that napped
// with Sleep(1) lost a timer tick (15.6 ms by default) on every hand-over,
// while the lock it waited for stood free and every thread queued behind it
// waited too.
#ifndef KELO820_PLATFORM_WIN32WORDWAITS_H
#define KELO820_PLATFORM_WIN32WORDWAITS_H

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace platform {

class WordWaits {
 public:
  enum class Kind { kAddressWaits, kConditionVariables };

  // The address waits where the system has them, else condition variables;
  // tests and benchmarks ask for the older system's way on a newer one.
  explicit WordWaits(Kind preferred = Kind::kAddressWaits);
  WordWaits(const WordWaits&) = delete;
  WordWaits& operator=(const WordWaits&) = delete;

  Kind kind() const { return wait_ != nullptr ? Kind::kAddressWaits : Kind::kConditionVariables; }

  // Returns at once when |word| no longer holds |expected|, else once woken,
  // and now and then for no reason.
  void WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected);
  // Wakes every thread asleep on |word|.
  void WakeAll(const std::atomic<uint32_t>& word);

 private:
  using WaitFn = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
  using WakeFn = VOID(WINAPI*)(PVOID);

  // Words share a few condition variables by their address; a wake may
  // then end another word's sleep too, which waiters take as a sleep that
  // ended for no reason.
  struct Sleepers {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE woken = CONDITION_VARIABLE_INIT;
  };
  static constexpr size_t kSleeperLists = 32;
  Sleepers& SleepersOf(const std::atomic<uint32_t>& word);

  WaitFn wait_ = nullptr;
  WakeFn wake_ = nullptr;
  Sleepers sleepers_[kSleeperLists];
};

}  // namespace platform

#endif  // KELO820_PLATFORM_WIN32WORDWAITS_H
