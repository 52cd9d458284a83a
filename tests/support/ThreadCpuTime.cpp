#include "ThreadCpuTime.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace kelo_test {

std::chrono::microseconds ThreadCpuTime() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
    return std::chrono::microseconds(-1);
  }
  const auto ticks = [](const FILETIME& time) {  // of 100 ns
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return std::chrono::microseconds((ticks(kernel) + ticks(user)) / 10);
#else
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::microseconds(static_cast<long long>(now.tv_sec) * 1000000 +
                                   now.tv_nsec / 1000);
#endif
}

}  // namespace kelo_test
