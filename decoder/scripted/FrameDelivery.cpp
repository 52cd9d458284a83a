#include "FrameDelivery.h"

#include <vector>

namespace scripted {

uint8_t PortGrey(int32_t port) { return static_cast<uint8_t>(0x10 + port); }

std::thread StartFrameDelivery(int32_t port, M4DisplayCallback callback, int32_t frames,
                               int32_t width, int32_t height) {
  return std::thread([=] {
    constexpr int32_t kTimeStampStep = 40;
    constexpr int32_t kFrameType = 1;
    const size_t pixels =
        width > 0 && height > 0 ? static_cast<size_t>(width) * static_cast<size_t>(height) : 0;
    const std::vector<uint8_t> frame(pixels * 3 / 2, PortGrey(port));
    const auto frameSize = static_cast<int32_t>(frame.size());
    for (int32_t index = 0; index < frames; ++index) {
      callback(port, frame.data(), frameSize, width, height, index * kTimeStampStep, kFrameType, 0);
    }
  });
}

}  // namespace scripted
