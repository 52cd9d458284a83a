#include "FailurePlans.h"

#include <algorithm>

namespace scripted {

void FailurePlans::FailAlways(const std::string& function) { plans_[function].always = true; }

void FailurePlans::FailNthCall(const std::string& function, int32_t n) {
  if (n < 1) return;
  plans_[function].callsUntilNth.push_back(n);
}

void FailurePlans::FailNextCalls(const std::string& function, int32_t k) {
  if (k < 1) return;
  // Two "next k" plans overlap rather than queue up: both start now.
  Plan& plan = plans_[function];
  plan.nextCallsToFail = std::max(plan.nextCallsToFail, k);
}

bool FailurePlans::CallFails(const std::string& function) {
  auto found = plans_.find(function);
  if (found == plans_.end()) return false;
  Plan& plan = found->second;

  bool fails = plan.always;
  if (plan.nextCallsToFail > 0) {
    --plan.nextCallsToFail;
    fails = true;
  }
  for (int32_t& callsLeft : plan.callsUntilNth) {
    if (--callsLeft == 0) fails = true;
  }
  plan.callsUntilNth.erase(std::remove(plan.callsUntilNth.begin(), plan.callsUntilNth.end(), 0),
                           plan.callsUntilNth.end());
  return fails;
}

void FailurePlans::Clear() { plans_.clear(); }

}  // namespace scripted
