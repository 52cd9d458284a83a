// The 24 operations that take a channel, each as a call with fixed arguments
// that are valid apart from the channel, with the texts of its trace: for the
// tests that sweep all of them (channels out of range, memory running out).
#ifndef KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H
#define KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace tests {

// Where out-parameters point; compared before and after a refused call.
struct OutValues {
  int32_t value = -7;
  int32_t second = -8;
  uint32_t unsignedValue = 0xDEADBEEF;
  RECT rect{11, 22, 33, 44};
  VideoPara para{1, 10, 20, 30, 40, 2};
};

// True when nothing was written to |out| since it was made.
bool Untouched(const OutValues& out);

struct ChannelOperation {
  const char* label;        // tells rows with the same name apart
  const char* name;         // as the trace names it
  const char* description;  // the trace's GBK text
  int32_t traceLevel;
  int32_t (*call)(SinglePlayer& player, int32_t channel, OutValues& out);
};

const std::vector<ChannelOperation>& ChannelOperations();

inline void PrintTo(const ChannelOperation& operation, std::ostream* out) {
  *out << operation.label;
}

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_CHANNELOPERATIONS_H
