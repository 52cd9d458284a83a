#include "SampleCapture.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "Kelo820_PlaySDKCodes.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

constexpr size_t kBlock = 4096;
constexpr int32_t kFileMode = 1;
// The source buffer the player opens every stream with.
constexpr uint32_t kPlayerBuffer = 51200;

// Pictures shown per port, counted by the decoder's own callback.
std::array<std::atomic<int>, 32> shown{};

void M4CALL CountShown(int32_t port, const uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t,
                       int32_t) {
  ++shown[static_cast<size_t>(port)];
}

std::string Failed(const std::string& what, int32_t result) {
  return what + " returned " + std::to_string(result);
}

}  // namespace

SampleStream ReadSampleStream(const std::string& path, uint32_t headerLength) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  SampleStream stream;
  if (bytes.size() <= headerLength) return stream;
  stream.header.assign(bytes.begin(), bytes.begin() + headerLength);
  stream.payload.assign(bytes.begin() + headerLength, bytes.end());
  return stream;
}

int32_t FeedPayload(SinglePlayer& player, int32_t channel, const std::vector<uint8_t>& payload,
                    const std::atomic<bool>& stop, size_t from) {
  for (size_t fed = from; fed < payload.size() && !stop;) {
    const auto size = static_cast<uint32_t>(std::min(kBlock, payload.size() - fed));
    uint32_t waiting = 0;
    int32_t result = player.Play_GetBufferRemainDataSize(channel, &waiting);
    if (result != kelo820::kOk) return result;
    if (waiting + size > kPlayerBuffer) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    result = player.Play_InputData(channel, payload.data() + fed, size, 0);
    // Refused while stepping (until the next step) or, rarely, after the
    // player's own retries: offered again, as a client does.
    if (result == kelo820::kInputRefused) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (result != kelo820::kOk) return result;
    fed += size;
  }
  return kelo820::kOk;
}

std::string CaptureLastPicture(SinglePlayer& player, int32_t channel, const std::string& streamPath,
                               const std::string& bmpPath) {
  uint32_t headerLength = 0;
  player.Play_GetHeadLen(&headerLength);
  const SampleStream stream = ReadSampleStream(streamPath, headerLength);
  if (stream.payload.empty()) return "cannot read " + streamPath;
  int32_t result = player.Play_SetOpenMode(channel, kFileMode);
  if (result != kelo820::kOk) return Failed("Play_SetOpenMode", result);
  result = player.Play_OpenStream(nullptr, channel, stream.header.data(),
                                  static_cast<uint32_t>(stream.header.size()), 0);
  if (result != kelo820::kOk) return Failed("Play_OpenStream", result);
  shown[static_cast<size_t>(channel)] = 0;
  PlayM4_SetDisplayCallBack(channel, &CountShown);
  const std::atomic<bool> never{false};
  result = FeedPayload(player, channel, stream.payload, never);
  // The end marker shows the last pictures at once; done when nothing more
  // comes for a while.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int seen = -1;
  while (result == kelo820::kOk && std::chrono::steady_clock::now() < giveUp) {
    uint32_t waiting = 0;
    player.Play_GetBufferRemainDataSize(channel, &waiting);
    const int now = shown[static_cast<size_t>(channel)];
    if (waiting == 0 && now > 0 && now == seen) break;
    seen = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  PlayM4_SetDisplayCallBack(channel, nullptr);
  if (result == kelo820::kOk) result = player.Play_GetPicture(channel, bmpPath.c_str());
  const int32_t closed = player.Play_CloseStream(channel);
  if (result != kelo820::kOk) return Failed("feeding or Play_GetPicture", result);
  if (closed != kelo820::kOk) return Failed("Play_CloseStream", closed);
  if (!std::ifstream(bmpPath).good()) return "no picture captured into " + bmpPath;
  return "";
}

}  // namespace tests_ffmpeg
