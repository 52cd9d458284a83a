// The process's one player: built on first request, handed out to every later
// one, destroyed when the client gives it back. The decoder's display
// callbacks reach the player through here too; releasing the player waits
// until the callbacks in flight have returned, and none reaches it afterwards.
// No lock is held while a callback runs, so a slow picture conversion delays
// neither another channel's callback nor the factory.
#ifndef KELO820_SRC_PLAYERINSTANCE_H
#define KELO820_SRC_PLAYERINSTANCE_H

#include <condition_variable>
#include <mutex>

#include "My820xPlaySDK.h"

namespace kelo {

class PlayerInstance {
 public:
  // The player, built if there is none; null only when it cannot be built.
  static SinglePlayer* Acquire() noexcept;
  // Destroys the player if |player| is it; anything else is ignored.
  static void Release(SinglePlayer* player) noexcept;

  // Runs fn(player) unless there is no player; the player is not destroyed
  // before fn returns.
  template <typename Fn>
  static void WithLivePlayer(Fn&& fn) {
    My820xPlaySDK* player = Enter();
    if (player == nullptr) return;
    struct Leaving {
      ~Leaving() { Leave(); }
    } leaving;
    fn(*player);
  }

 private:
  // The player with one more callback counted in flight, or null.
  static My820xPlaySDK* Enter();
  static void Leave();

  static std::mutex mutex_;
  static std::condition_variable noCallbacks_;
  static My820xPlaySDK* player_;
  static int callbacksInFlight_;
};

}  // namespace kelo

#endif  // KELO820_SRC_PLAYERINSTANCE_H
