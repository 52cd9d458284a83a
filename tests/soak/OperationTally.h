// What the soak's operations returned: every call counted by operation and
// result, and a call whose result is not one of those expected of it counted
// as a failure, with the first few described.
#ifndef KELO820_TESTS_SOAK_OPERATION_TALLY_H
#define KELO820_TESTS_SOAK_OPERATION_TALLY_H

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace soak {

class OperationTally {
 public:
  // Counts |result| of |operation| on |channel| in |round|; true when it is
  // one of |expected|.
  bool Note(const std::string& operation, int32_t channel, uint32_t round, int32_t result,
            std::initializer_list<int32_t> expected);
  // A check outside the result codes (a play state read back, ...) that did
  // not hold: a failure described by |what|.
  void Fail(int32_t channel, uint32_t round, const std::string& what);

  uint64_t Operations() const { return operations_.load(); }
  uint64_t Failures() const { return failures_.load(); }
  // One line per operation: calls, then how many returned each result.
  std::vector<std::string> Summary() const;
  // The first failures, described.
  std::vector<std::string> FailureSamples() const;

 private:
  static constexpr size_t kKeptFailures = 20;

  std::atomic<uint64_t> operations_{0};
  std::atomic<uint64_t> failures_{0};
  mutable std::mutex mutex_;
  std::map<std::string, std::map<int32_t, uint64_t>> results_;  // operation -> result -> calls
  std::vector<std::string> failureSamples_;
};

}  // namespace soak

#endif  // KELO820_TESTS_SOAK_OPERATION_TALLY_H
