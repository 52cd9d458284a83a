// What each of the 26 operations can return: the table that the public
// header's documented results are checked against, and that the tests which
// sweep every operation check the results they get against.
#ifndef KELO820_TESTS_SUPPORT_OPERATIONRESULTS_H
#define KELO820_TESTS_SUPPORT_OPERATIONRESULTS_H

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tests {

struct OperationResults {
  const char* name;             // as the header declares it
  std::set<int32_t> own;        // the results of the player's own checks and of success
  bool reportsDecoderFailures;  // also the decoder's code plus one: 2 to 24, 26
};

// All 26, in slot order.
const std::vector<OperationResults>& OperationResultTable();

// The results |name| can return, decoder failures spelt out; empty for a
// name that is no operation.
std::set<int32_t> PossibleResults(const std::string& name);

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_OPERATIONRESULTS_H
