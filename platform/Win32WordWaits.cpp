#include "Win32WordWaits.h"

namespace platform {

WordWaits::WordWaits(Kind preferred) {
  if (preferred != Kind::kAddressWaits) return;
  const HMODULE kernel = GetModuleHandleA("kernelbase.dll");
  if (kernel == nullptr) return;
  const auto wait = reinterpret_cast<WaitFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WaitOnAddress")));
  const auto wake = reinterpret_cast<WakeFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WakeByAddressAll")));
  if (wait == nullptr || wake == nullptr) return;
  wait_ = wait;
  wake_ = wake;
}

WordWaits::Sleepers& WordWaits::SleepersOf(const std::atomic<uint32_t>& word) {
  return sleepers_[(reinterpret_cast<uintptr_t>(&word) / sizeof word) % kSleeperLists];
}

void WordWaits::WaitWhileEqual(const std::atomic<uint32_t>& word, uint32_t expected) {
  if (wait_ != nullptr) {
    wait_(const_cast<std::atomic<uint32_t>*>(&word), &expected, sizeof expected, INFINITE);
    return;
  }
  // The word is looked at under the lock that a wake takes after changing
  // it, and the sleep gives that lock up as it begins: a change either is
  // seen here or comes with a wake that finds this thread asleep.
  Sleepers& sleepers = SleepersOf(word);
  AcquireSRWLockExclusive(&sleepers.lock);
  if (word.load() == expected)
    SleepConditionVariableSRW(&sleepers.woken, &sleepers.lock, INFINITE, 0);
  ReleaseSRWLockExclusive(&sleepers.lock);
}

void WordWaits::WakeAll(const std::atomic<uint32_t>& word) {
  if (wake_ != nullptr) {
    wake_(const_cast<std::atomic<uint32_t>*>(&word));
    return;
  }
  Sleepers& sleepers = SleepersOf(word);
  AcquireSRWLockExclusive(&sleepers.lock);
  ReleaseSRWLockExclusive(&sleepers.lock);
  WakeAllConditionVariable(&sleepers.woken);
}

}  // namespace platform
