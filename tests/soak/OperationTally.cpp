#include "OperationTally.h"

#include <algorithm>

namespace soak {

bool OperationTally::Note(const std::string& operation, int32_t channel, uint32_t round,
                          int32_t result, std::initializer_list<int32_t> expected) {
  ++operations_;
  const bool met = std::find(expected.begin(), expected.end(), result) != expected.end();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++results_[operation][result];
  }
  if (!met) {
    std::string wanted;
    for (int32_t value : expected) wanted += (wanted.empty() ? "" : " or ") + std::to_string(value);
    Fail(channel, round,
         operation + " -> " + std::to_string(result) + " (expected " + wanted + ")");
  }
  return met;
}

void OperationTally::Fail(int32_t channel, uint32_t round, const std::string& what) {
  ++failures_;
  std::lock_guard<std::mutex> lock(mutex_);
  if (failureSamples_.size() < kKeptFailures) {
    failureSamples_.push_back("ch" + std::to_string(channel) + " round " + std::to_string(round) +
                              ": " + what);
  }
}

std::vector<std::string> OperationTally::Summary() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> lines;
  for (const auto& [operation, results] : results_) {
    uint64_t calls = 0;
    std::string detail;
    for (const auto& [result, count] : results) {
      calls += count;
      detail += "  " + std::to_string(count) + " x " + std::to_string(result);
    }
    lines.push_back(operation + ": " + std::to_string(calls) + " calls," + detail);
  }
  return lines;
}

std::vector<std::string> OperationTally::FailureSamples() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failureSamples_;
}

}  // namespace soak
