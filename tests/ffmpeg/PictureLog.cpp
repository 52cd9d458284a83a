#include "PictureLog.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

struct PortLog {
  int count = 0;
  std::vector<int32_t> timeStamps;
  std::vector<std::chrono::steady_clock::time_point> shownTimes;
  std::vector<std::string> md5s;
  DeliveredPicture last;
};

// The callback's YV12 has V before U; framemd5 hashes U first.
std::string Md5OfPlanes(const uint8_t* frame, int32_t width, int32_t height) {
  const size_t luma = static_cast<size_t>(width) * height;
  const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
  AVMD5* md5 = av_md5_alloc();
  if (md5 == nullptr) return "";
  av_md5_init(md5);
  av_md5_update(md5, frame, luma);
  av_md5_update(md5, frame + luma + chroma, chroma);
  av_md5_update(md5, frame + luma, chroma);
  uint8_t digest[16];
  av_md5_final(md5, digest);
  av_free(md5);
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

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
    log.shownTimes.push_back(std::chrono::steady_clock::now());
    log.md5s.push_back(Md5OfPlanes(frame, width, height));
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

std::vector<std::chrono::steady_clock::time_point> ShownTimes(int32_t port) {
  std::lock_guard<std::mutex> lock(logMutex);
  return logs[port].shownTimes;
}

std::vector<std::string> PictureMd5s(int32_t port) {
  std::lock_guard<std::mutex> lock(logMutex);
  return logs[port].md5s;
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

}  // namespace tests_ffmpeg
