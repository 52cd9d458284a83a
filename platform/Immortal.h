// Immortal<T>: a T built in static storage on first use and never destroyed.
// Threads still logging while the process exits find it intact, and since it
// takes nothing from the heap, unloading the library leaks nothing either.
#ifndef KELO820_PLATFORM_IMMORTAL_H
#define KELO820_PLATFORM_IMMORTAL_H

#include <new>
#include <utility>

namespace platform {

template <typename T>
class Immortal {
 public:
  template <typename... Args>
  explicit Immortal(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  Immortal(const Immortal&) = delete;
  Immortal& operator=(const Immortal&) = delete;

  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform

#endif  // KELO820_PLATFORM_IMMORTAL_H
