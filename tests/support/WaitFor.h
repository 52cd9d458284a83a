// Waiting on a condition that other threads or processes make true, in real
// time: for tests that watch a whole program (a child process, a window)
// rather than the player through its platform double.
#ifndef KELO820_TESTS_SUPPORT_WAITFOR_H
#define KELO820_TESTS_SUPPORT_WAITFOR_H

#include <chrono>
#include <functional>

namespace tests {

// Polls |done| every 10 ms until it holds (true) or |limit| has passed
// (false).
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace tests

#endif
