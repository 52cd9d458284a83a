#include "ConversionHold.h"

#include <condition_variable>
#include <mutex>
#include <string>

#include "ScriptedDecoder.h"

namespace scripted {

namespace {

// Apart from the script's state, whose lock a held conversion must not keep.
struct Hold {
  std::mutex mutex;
  std::condition_variable changed;
  std::string fileName;  // empty: nothing held
  int waiting = 0;
};

Hold& TheHold() {
  static Hold hold;
  return hold;
}

}  // namespace

void WaitWhileHeld(const char* fileName) {
  Hold& hold = TheHold();
  std::unique_lock<std::mutex> lock(hold.mutex);
  if (hold.fileName.empty() || hold.fileName != fileName) return;
  ++hold.waiting;
  hold.changed.notify_all();
  hold.changed.wait(lock, [&] { return hold.fileName.empty(); });
  --hold.waiting;
}

}  // namespace scripted

extern "C" {

M4API void Scripted_HoldConversionsTo(const char* fileName) {
  scripted::Hold& hold = scripted::TheHold();
  std::lock_guard<std::mutex> lock(hold.mutex);
  hold.fileName = fileName != nullptr ? fileName : "";
}

M4API void Scripted_WaitForHeldConversion(void) {
  scripted::Hold& hold = scripted::TheHold();
  std::unique_lock<std::mutex> lock(hold.mutex);
  hold.changed.wait(lock, [&] { return hold.waiting > 0; });
}

M4API void Scripted_ReleaseConversions(void) {
  scripted::Hold& hold = scripted::TheHold();
  std::lock_guard<std::mutex> lock(hold.mutex);
  hold.fileName.clear();
  hold.changed.notify_all();
}

}  // extern "C"
