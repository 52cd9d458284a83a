#include "PictureLog.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "m4playerApi.h"

namespace m4test {
namespace {

struct PortLog {
  int count = 0;
  std::vector<int32_t> timeStamps;
  DeliveredPicture last;
};

std::mutex logMutex;
std::condition_variable logChanged;
std::array<PortLog, 32> logs;

void M4CALL Logger(int32_t port, const uint8_t* frame, int32_t frameSize, int32_t width,
                   int32_t height, int32_t timeStamp, int32_t frameType, int32_t) {
  {
    std::lock_guard<std::mutex> lock(logMutex);
    PortLog& log = logs[port];
    ++log.count;
    log.timeStamps.push_back(timeStamp);
    log.last.bytes.assign(frame, frame + frameSize);
    log.last.width = width;
    log.last.height = height;
    log.last.timeStamp = timeStamp;
    log.last.frameType = frameType;
  }
  logChanged.notify_all();
}

}  // namespace

bool LogPictures(int32_t port) {
  {
    std::lock_guard<std::mutex> lock(logMutex);
    logs[port] = PortLog{};
  }
  return PlayM4_SetDisplayCallBack(port, &Logger) != 0;
}

int PictureCount(int32_t port) {
  std::lock_guard<std::mutex> lock(logMutex);
  return logs[port].count;
}

bool WaitForPictures(int32_t port, int count) {
  std::unique_lock<std::mutex> lock(logMutex);
  return logChanged.wait_for(lock, kPatience, [&] { return logs[port].count >= count; });
}

std::vector<int32_t> TimeStamps(int32_t port) {
  std::lock_guard<std::mutex> lock(logMutex);
  return logs[port].timeStamps;
}

DeliveredPicture LastPicture(int32_t port) {
  std::lock_guard<std::mutex> lock(logMutex);
  return logs[port].last;
}

bool FeedAll(int32_t port, const std::vector<uint8_t>& bytes, size_t block) {
  const auto giveUp = std::chrono::steady_clock::now() + kPatience;
  size_t fed = 0;
  while (fed < bytes.size()) {
    const auto size = static_cast<uint32_t>(std::min(block, bytes.size() - fed));
    if (PlayM4_InputData(port, bytes.data() + fed, size)) {
      fed += size;
      continue;
    }
    if (PlayM4_GetLastError(port) != 11 || std::chrono::steady_clock::now() > giveUp) return false;
    // The decoder thread makes room; nothing to wait on from here.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

size_t FeedUntilFull(int32_t port, const std::vector<uint8_t>& bytes, size_t block) {
  size_t fed = 0;
  while (fed < bytes.size()) {
    const auto size = static_cast<uint32_t>(std::min(block, bytes.size() - fed));
    if (!PlayM4_InputData(port, bytes.data() + fed, size)) break;
    fed += size;
  }
  return fed;
}

}  // namespace m4test
