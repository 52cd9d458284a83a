// The processor time the calling thread has used so far: what tells a
// waiter that sleeps from one that polls.
#ifndef KELO820_TESTS_SUPPORT_THREADCPUTIME_H
#define KELO820_TESTS_SUPPORT_THREADCPUTIME_H

#include <chrono>

namespace kelo_test {

std::chrono::microseconds ThreadCpuTime();

}  // namespace kelo_test

#endif  // KELO820_TESTS_SUPPORT_THREADCPUTIME_H
