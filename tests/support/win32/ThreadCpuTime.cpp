#include <windows.h>

#include "ThreadCpuTime.h"

namespace tests {

std::chrono::microseconds ThreadCpuTime() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
    return std::chrono::microseconds(-1);
  }
  const auto ticks = [](const FILETIME& time) {  // of 100 ns
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return std::chrono::microseconds((ticks(kernel) + ticks(user)) / 10);
}

}  // namespace tests
