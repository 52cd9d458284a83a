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
  // What the program holds allocated on the heap: unlike the resident
  // figure, it does not move with what the allocator keeps for later.
  uint64_t heapKb = 0;
};

// From /proc/self: status for memory and threads, fd/ for the descriptors;
// the heap from the allocator's own count.
ProcessSample SampleThisProcess();

}  // namespace soak

#endif  // KELO820_TESTS_SOAK_PROCESS_SAMPLE_H
