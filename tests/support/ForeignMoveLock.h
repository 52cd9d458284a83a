// The lock that a process moving a log aside holds on it, taken here as that
// other process would: on its own handle to the file, for as long as the
// object lives.
#ifndef KELO820_TESTS_SUPPORT_FOREIGNMOVELOCK_H
#define KELO820_TESTS_SUPPORT_FOREIGNMOVELOCK_H

#include <cstdint>
#include <string>

namespace tests {

class ForeignMoveLock {
 public:
  explicit ForeignMoveLock(const std::string& path);
  ~ForeignMoveLock();
  ForeignMoveLock(const ForeignMoveLock&) = delete;
  ForeignMoveLock& operator=(const ForeignMoveLock&) = delete;

  bool held() const { return held_; }

 private:
  intptr_t file_;
  bool held_ = false;
};

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_FOREIGNMOVELOCK_H
