#include "ThreadCpuTime.h"

#include <time.h>

namespace tests {

std::chrono::microseconds ThreadCpuTime() {
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::microseconds(static_cast<long long>(now.tv_sec) * 1000000 +
                                   now.tv_nsec / 1000);
}

}  // namespace tests
