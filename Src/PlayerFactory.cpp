// The two exported functions and the single player they hand out.
#include "Kelo820_PlaySDK.h"
#include "PlayerInstance.h"

namespace kelo {

std::mutex PlayerInstance::mutex_;
std::condition_variable PlayerInstance::noCallbacks_;
My820xPlaySDK* PlayerInstance::player_ = nullptr;
int PlayerInstance::callbacksInFlight_ = 0;

SinglePlayer* PlayerInstance::Acquire() noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    if (player_ == nullptr) player_ = new My820xPlaySDK;
    return player_;
  } catch (...) {
    // Nothing is remembered; a later call tries again.
    return nullptr;
  }
}

void PlayerInstance::Release(SinglePlayer* player) noexcept {
  My820xPlaySDK* released = nullptr;
  try {
    std::unique_lock<std::mutex> lock(mutex_);
    if (player_ == nullptr || player != player_) return;
    released = player_;
    // From here no callback finds the player; those already in it finish.
    player_ = nullptr;
    noCallbacks_.wait(lock, [] { return callbacksInFlight_ == 0; });
  } catch (...) {
    // Waiting failed: a player that a callback may still be in is not
    // destroyed.
    return;
  }
  delete released;
}

My820xPlaySDK* PlayerInstance::Enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (player_ != nullptr) ++callbacksInFlight_;
  return player_;
}

void PlayerInstance::Leave() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (--callbacksInFlight_ == 0) noCallbacks_.notify_all();
}

}  // namespace kelo

extern "C" SinglePlayer* CreateSinglePlayerDll() { return kelo::PlayerInstance::Acquire(); }

extern "C" void ReleaseSinglePlayerDll(SinglePlayer* player) {
  kelo::PlayerInstance::Release(player);
}
