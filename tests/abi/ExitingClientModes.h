// How the exiting client leaves, and the status each way leaves it with,
// shared by the client and the test that runs it.
#ifndef KELO820_TESTS_ABI_EXITINGCLIENTMODES_H
#define KELO820_TESTS_ABI_EXITINGCLIENTMODES_H

#include <cstring>

namespace tests {

enum class ExitMode { kReturn, kExit, kExitFromFeeder };

struct ExitModeName {
  ExitMode mode;
  const char* name;  // the client's first argument
  int status;        // what the process must end with
};

// The calls that the client's static object makes while it is destroyed.
constexpr int kCallsWhileDestroyedAtExit = 100;

constexpr int kReturnStatus = 0;
constexpr int kExitStatus = 7;
constexpr int kExitFromFeederStatus = 9;

constexpr ExitModeName kExitModes[] = {
    {ExitMode::kReturn, "return", kReturnStatus},
    {ExitMode::kExit, "exit", kExitStatus},
    {ExitMode::kExitFromFeeder, "exit-from-feeder", kExitFromFeederStatus},
};

inline bool ParseExitMode(const char* name, ExitMode* mode) {
  for (const ExitModeName& known : kExitModes) {
    if (std::strcmp(known.name, name) == 0) {
      *mode = known.mode;
      return true;
    }
  }
  return false;
}

}  // namespace tests

#endif  // KELO820_TESTS_ABI_EXITINGCLIENTMODES_H
