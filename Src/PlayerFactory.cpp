// The two exported functions and the single player they hand out.
#include <new>

#include "Kelo820_PlaySDK.h"
#include "PlayerInstance.h"

namespace kelo {

std::mutex PlayerInstance::mutex_;
My820xPlaySDK* PlayerInstance::player_ = nullptr;

SinglePlayer* PlayerInstance::Acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (player_ == nullptr) player_ = new (std::nothrow) My820xPlaySDK;
  return player_;
}

void PlayerInstance::Release(SinglePlayer* player) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (player_ == nullptr || player != player_) return;
  delete player_;
  player_ = nullptr;
}

}  // namespace kelo

extern "C" SinglePlayer* CreateSinglePlayerDll() { return kelo::PlayerInstance::Acquire(); }

extern "C" void ReleaseSinglePlayerDll(SinglePlayer* player) {
  kelo::PlayerInstance::Release(player);
}
