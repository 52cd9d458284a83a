// The processor time the calling thread has used so far: what tells a
// waiter that sleeps from one that polls.
#ifndef KELO820_TESTS_SUPPORT_THREADCPUTIME_H
#define KELO820_TESTS_SUPPORT_THREADCPUTIME_H

#include <chrono>

namespace tests {

std::chrono::microseconds ThreadCpuTime();

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_THREADCPUTIME_H
