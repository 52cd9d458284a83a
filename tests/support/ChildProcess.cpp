#include "ChildProcess.h"

namespace tests {

std::string Describe(const ChildEnd& end) {
  if (!end.started) return "not started";
  if (!end.inTime) return "timed out";
  return end.exited ? "exit status " + std::to_string(end.status) : DescribeSystemEnd(end.status);
}

}  // namespace tests
