// The two exported functions and the single player they hand out.
#include <memory>

#include "Immortal.h"
#include "Kelo820_PlaySDK.h"
#include "PlayerInstance.h"

namespace src {

struct PlayerInstance::Factory {
  std::mutex mutex;
  std::condition_variable callbackLeft;
  // The player handed out, or null. A released player's record lives on,
  // off this pointer, until its last callback has left.
  LivePlayer* current = nullptr;
};

PlayerInstance::Factory& PlayerInstance::TheFactory() {
  static platform::Immortal<Factory> factory;
  return factory.get();
}

SinglePlayer* PlayerInstance::Acquire() noexcept {
  try {
    Factory& factory = TheFactory();
    std::lock_guard<std::mutex> lock(factory.mutex);
    if (factory.current == nullptr) {
      std::unique_ptr<My820xPlaySDK> player(new My820xPlaySDK);
      factory.current = new LivePlayer{player.get(), 0};
      player.release();
    }
    return factory.current->player;
  } catch (...) {
    // Nothing is remembered; a later call tries again.
    return nullptr;
  }
}

void PlayerInstance::Release(SinglePlayer* player) noexcept {
  Factory& factory = TheFactory();
  LivePlayer* released = nullptr;
  try {
    std::unique_lock<std::mutex> lock(factory.mutex);
    released = factory.current;
    if (released == nullptr || player != released->player) return;
    // From here no callback finds the player; those already in it finish.
    factory.current = nullptr;
    factory.callbackLeft.wait(lock, [released] { return released->callbacksInFlight == 0; });
  } catch (...) {
    // Waiting failed: a player that a callback may still be in is not
    // destroyed.
    return;
  }
  delete released->player;
  delete released;
}

PlayerInstance::LivePlayer* PlayerInstance::Enter() {
  Factory& factory = TheFactory();
  std::lock_guard<std::mutex> lock(factory.mutex);
  LivePlayer* live = factory.current;
  if (live != nullptr) ++live->callbacksInFlight;
  return live;
}

void PlayerInstance::Leave(LivePlayer* live) {
  Factory& factory = TheFactory();
  std::lock_guard<std::mutex> lock(factory.mutex);
  if (--live->callbacksInFlight == 0) factory.callbackLeft.notify_all();
}

}  // namespace src

extern "C" SinglePlayer* CreateSinglePlayerDll() { return src::PlayerInstance::Acquire(); }

extern "C" void ReleaseSinglePlayerDll(SinglePlayer* player) {
  src::PlayerInstance::Release(player);
}
