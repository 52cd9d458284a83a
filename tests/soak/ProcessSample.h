// The resources of this process that a leak would make grow, as the kernel
// reports them.
#ifndef KELO820_TESTS_SOAK_PROCESS_SAMPLE_H
#define KELO820_TESTS_SOAK_PROCESS_SAMPLE_H

#include <cstdint>

namespace soak {

struct ProcessSample {
  uint64_t residentKb = 0;  // VmRSS
  int descriptors = 0;      // open file descriptors
  int threads = 0;
};

// From /proc/self: status for memory and threads, fd/ for the descriptors.
ProcessSample SampleThisProcess();

}  // namespace soak

#endif  // KELO820_TESTS_SOAK_PROCESS_SAMPLE_H
