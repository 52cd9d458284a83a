#include "ConversionHold.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "ScriptedDecoder.h"

namespace scripted {

namespace {

// Apart from the script's state, whose lock a held conversion must not keep.
struct Hold {
  std::mutex mutex;
  std::condition_variable changed;
  // The held file names, each with the number of conversions waiting on it.
  std::map<std::string, int> waiting;
};

Hold& TheHold() {
  static Hold hold;
  return hold;
}

}  // namespace

void WaitWhileHeld(const char* fileName) {
  Hold& hold = TheHold();
  std::unique_lock<std::mutex> lock(hold.mutex);
  auto held = hold.waiting.find(fileName);
  if (held == hold.waiting.end()) return;
  ++held->second;
  hold.changed.notify_all();
  // A release erases the name, and with it |held|.
  hold.changed.wait(lock, [&] { return hold.waiting.count(fileName) == 0; });
}

}  // namespace scripted

extern "C" {

M4API void Scripted_HoldConversionsTo(const char* fileName) {
  scripted::Hold& hold = scripted::TheHold();
  std::lock_guard<std::mutex> lock(hold.mutex);
  if (fileName != nullptr) hold.waiting.emplace(fileName, 0);
}

M4API void Scripted_WaitForHeldConversion(const char* fileName) {
  scripted::Hold& hold = scripted::TheHold();
  std::unique_lock<std::mutex> lock(hold.mutex);
  hold.changed.wait(lock, [&] {
    auto held = hold.waiting.find(fileName);
    return held != hold.waiting.end() && held->second > 0;
  });
}

M4API void Scripted_ReleaseConversionsTo(const char* fileName) {
  scripted::Hold& hold = scripted::TheHold();
  std::lock_guard<std::mutex> lock(hold.mutex);
  hold.waiting.erase(fileName);
  hold.changed.notify_all();
}

M4API void Scripted_ReleaseConversions(void) {
  scripted::Hold& hold = scripted::TheHold();
  std::lock_guard<std::mutex> lock(hold.mutex);
  hold.waiting.clear();
  hold.changed.notify_all();
}

}  // extern "C"
