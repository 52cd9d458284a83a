// The process's one player: built on first request, handed out to every later
// one, destroyed when the client gives it back. One lock guards creation,
// release and the decoder's callbacks into the player, so that a callback
// never reaches a player that is being destroyed.
#ifndef KELO820_SRC_PLAYERINSTANCE_H
#define KELO820_SRC_PLAYERINSTANCE_H

#include <mutex>

#include "My820xPlaySDK.h"

namespace kelo {

class PlayerInstance {
 public:
  // The player, built if there is none; null only when it cannot be allocated.
  static SinglePlayer* Acquire();
  // Destroys the player if |player| is it; anything else is ignored.
  static void Release(SinglePlayer* player);

  // Runs fn(player) while the player cannot be released; nothing when there
  // is no player.
  template <typename Fn>
  static void WithLivePlayer(Fn&& fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (player_ != nullptr) fn(*player_);
  }

 private:
  static std::mutex mutex_;
  static My820xPlaySDK* player_;
};

}  // namespace kelo

#endif  // KELO820_SRC_PLAYERINSTANCE_H
