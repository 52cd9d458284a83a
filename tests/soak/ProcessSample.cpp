#include "ProcessSample.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace soak {

ProcessSample SampleThisProcess() {
  ProcessSample sample;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    if (key == "VmRSS:") fields >> sample.residentKb;
    if (key == "Threads:") fields >> sample.threads;
  }
  std::error_code error;
  for (std::filesystem::directory_iterator entry("/proc/self/fd", error), end;
       !error && entry != end; entry.increment(error)) {
    ++sample.descriptors;
  }
  // The directory being read has a descriptor of its own meanwhile.
  --sample.descriptors;
  const struct mallinfo2 heap = mallinfo2();
  sample.heapKb = (heap.uordblks + heap.hblkhd) / 1024;
  return sample;
}

}  // namespace soak
