// The process's one player: built on first request, handed out to every later
// one, destroyed when the client gives it back. The decoder's display
// callbacks reach the player through here too; releasing the player waits
// until the callbacks in flight in it have returned, and none reaches it
// afterwards. Callbacks are counted per player, so a player built after a
// release, and its callbacks, never keep that release waiting. No lock is
// held while a callback runs, so a slow picture conversion delays neither
// another channel's callback nor the factory.
//
// The lock and the condition are never destroyed: a decoder thread may still
// call back while the process runs its exit handlers, after a client that
// never released the player returned from main.
#ifndef KELO820_SRC_PLAYERINSTANCE_H
#define KELO820_SRC_PLAYERINSTANCE_H

#include <condition_variable>
#include <mutex>

#include "My820xPlaySDK.h"

namespace src {

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
    LivePlayer* live = Enter();
    if (live == nullptr) return;
    struct Leaving {
      LivePlayer* live;
      ~Leaving() { Leave(live); }
    } leaving{live};
    fn(*live->player);
  }

 private:
  struct LivePlayer {
    My820xPlaySDK* player;
    int callbacksInFlight;
  };

  struct Factory;
  static Factory& TheFactory();

  // The player with one more callback counted in flight, or null.
  static LivePlayer* Enter();
  static void Leave(LivePlayer* live);
};

}  // namespace src

#endif  // KELO820_SRC_PLAYERINSTANCE_H
