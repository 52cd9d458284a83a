#include "Platform.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Platform*> g_testPlatform{nullptr};
}  // namespace

Platform& CurrentPlatform() {
  Platform* platform = g_testPlatform.load(std::memory_order_acquire);
  return platform != nullptr ? *platform : OsPlatform();
}

void SetPlatformForTesting(Platform* platform) {
  g_testPlatform.store(platform, std::memory_order_release);
}

}  // namespace platform
