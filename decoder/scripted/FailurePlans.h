// Which upcoming calls of each decoder function are to fail.
#ifndef SCRIPTED_FAILURE_PLANS_H
#define SCRIPTED_FAILURE_PLANS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace scripted {

class FailurePlans {
 public:
  void FailAlways(const std::string& function);
  // n = 1 is the next call; n < 1 plans nothing.
  void FailNthCall(const std::string& function, int32_t n);
  void FailNextCalls(const std::string& function, int32_t k);
  // Counts one call of |function| against every plan for it; true when any
  // of them makes this call fail.
  bool CallFails(const std::string& function);
  void Clear();

 private:
  struct Plan {
    bool always = false;
    // Calls still to come before each planned nth call, that one included.
    std::vector<int32_t> callsUntilNth;
    int32_t nextCallsToFail = 0;
  };
  std::map<std::string, Plan> plans_;
};

}  // namespace scripted

#endif  // SCRIPTED_FAILURE_PLANS_H
