// What the display callback of each port has received, and waiting for it
// with generous timeouts (never asserting on elapsed time).
#ifndef TESTS_FFMPEG_PICTURE_LOG_H
#define TESTS_FFMPEG_PICTURE_LOG_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tests_ffmpeg {

constexpr std::chrono::seconds kPatience{30};

struct DeliveredPicture {
  std::vector<uint8_t> bytes;
  int32_t width = 0;
  int32_t height = 0;
  int32_t timeStamp = 0;
  int32_t frameType = 0;
};

// Installs the logging callback on |port| and forgets what it had logged.
bool LogPictures(int32_t port);
int PictureCount(int32_t port);
bool WaitForPictures(int32_t port, int count);
std::vector<int32_t> TimeStamps(int32_t port);
// When each picture reached the callback.
std::vector<std::chrono::steady_clock::time_point> ShownTimes(int32_t port);
// Of each picture's planes in Y, U, V order, as the ffmpeg tool's framemd5.
std::vector<std::string> PictureMd5s(int32_t port);
DeliveredPicture LastPicture(int32_t port);

// Feeds |bytes| in blocks, retrying a block refused as buffer full.
bool FeedAll(int32_t port, const std::vector<uint8_t>& bytes, size_t block);
// Feeds until a block is refused as buffer full; answers the bytes taken.
size_t FeedUntilFull(int32_t port, const std::vector<uint8_t>& bytes, size_t block);

}  // namespace tests_ffmpeg

#endif
