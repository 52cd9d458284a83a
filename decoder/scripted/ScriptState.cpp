#include "ScriptState.h"

#include "CallFormat.h"

namespace scripted {

ScriptState& State() {
  // Never destroyed: a delivery thread still running at exit must not meet a
  // destroyed mutex, nor a joinable std::thread end the process.
  static ScriptState* const state = new ScriptState;
  return *state;
}

std::unique_lock<std::mutex> LockState() { return std::unique_lock<std::mutex>(State().mutex); }

bool RecordCall(const char* function, std::initializer_list<std::string> arguments) {
  ScriptState& state = State();
  state.calls.push_back(CallText(function, arguments));
  return !state.failurePlans.CallFails(function);
}

void JoinDelivery(std::unique_lock<std::mutex>& lock, int32_t port) {
  std::map<int32_t, std::thread>& deliveries = State().deliveries;
  // A loop, because another caller may start a new delivery while unlocked.
  for (auto found = deliveries.find(port); found != deliveries.end();
       found = deliveries.find(port)) {
    std::thread delivery = std::move(found->second);
    deliveries.erase(found);
    lock.unlock();
    delivery.join();
    lock.lock();
  }
}

void JoinAllDeliveries(std::unique_lock<std::mutex>& lock) {
  std::map<int32_t, std::thread>& deliveries = State().deliveries;
  while (!deliveries.empty()) {
    std::map<int32_t, std::thread> running = std::move(deliveries);
    deliveries.clear();
    lock.unlock();
    for (auto& [port, delivery] : running) delivery.join();
    lock.lock();
  }
}

}  // namespace scripted
