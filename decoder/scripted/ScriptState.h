// The scripted decoder's process-wide state: what it has been told to answer,
// which calls are to fail, what it has been called with, and its frame
// delivery threads. One mutex guards all of it.
#ifndef SCRIPTED_SCRIPT_STATE_H
#define SCRIPTED_SCRIPT_STATE_H

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FailurePlans.h"
#include "m4playerApi.h"

namespace scripted {

constexpr int32_t kPortCount = 32;

// The configured answers; a default-constructed Answers is the initial script.
struct Answers {
  int32_t pictureWidth = 352;
  int32_t pictureHeight = 288;
  uint32_t sourceBufferRemain = 0;
  uint32_t fileHeadLength = 40;
  std::array<int32_t, kPortCount> lastErrors{};
  int32_t framesPerCallback = 0;
  bool bmpWriting = true;
};

struct ScriptState {
  std::mutex mutex;
  Answers answers;
  FailurePlans failurePlans;
  std::vector<std::string> calls;
  std::map<int32_t, std::thread> deliveries;           // by port
  std::map<int32_t, M4DisplayCallback> lastCallbacks;  // last installed, by port
};

ScriptState& State();
std::unique_lock<std::mutex> LockState();

// With the state locked: records the call and tells whether it succeeds.
bool RecordCall(const char* function, std::initializer_list<std::string> arguments);

// With the state locked: waits until no delivery thread of |port| is running,
// releasing the lock meanwhile so that callbacks can call in. The lock is held
// again on return.
void JoinDelivery(std::unique_lock<std::mutex>& lock, int32_t port);
// The same for every port.
void JoinAllDeliveries(std::unique_lock<std::mutex>& lock);

}  // namespace scripted

#endif  // SCRIPTED_SCRIPT_STATE_H
