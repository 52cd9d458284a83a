// A port's display callback. Replacing or removing it waits for a call in
// flight to return, so that afterwards the old callback is never entered
// again; from inside the callback itself it takes effect without waiting.
#ifndef M4_FFMPEG_DISPLAY_CALLBACK_SLOT_H
#define M4_FFMPEG_DISPLAY_CALLBACK_SLOT_H

#include <atomic>
#include <mutex>
#include <thread>

#include "m4playerApi.h"

namespace decoder_ffmpeg {

class DisplayCallbackSlot {
 public:
  void Set(M4DisplayCallback callback) {
    callback_.store(callback);
    if (caller_.load() != std::this_thread::get_id()) {
      std::lock_guard<std::mutex> waitForCallInFlight(inFlight_);
    }
  }

  bool Installed() const { return callback_.load() != nullptr; }

  // |call| receives the callback, if one is still installed.
  template <typename Call>
  void Invoke(Call&& call) {
    std::lock_guard<std::mutex> lock(inFlight_);
    const M4DisplayCallback callback = callback_.load();
    if (callback == nullptr) return;
    caller_.store(std::this_thread::get_id());
    call(callback);
    caller_.store(std::thread::id());
  }

 private:
  std::atomic<M4DisplayCallback> callback_{nullptr};
  std::atomic<std::thread::id> caller_{};
  std::mutex inFlight_;
};

}  // namespace decoder_ffmpeg

#endif
