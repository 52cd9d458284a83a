// A sample stream file (header, then payload ending in the end marker, as
// m4stream writes it) played through the player and captured: the same
// steps on Linux, where a host program makes the reference pictures, and
// under wine, where the Windows build's picture is compared with them.
#ifndef TESTS_FFMPEG_SAMPLE_CAPTURE_H
#define TESTS_FFMPEG_SAMPLE_CAPTURE_H

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"

namespace tests_ffmpeg {

struct SampleStream {
  std::vector<uint8_t> header;
  std::vector<uint8_t> payload;
};
// Empty when the file holds no more than a header.
SampleStream ReadSampleStream(const std::string& path, uint32_t headerLength);

// Feeds |payload| from |from| in blocks as a client that waits for room
// does (never leaning on the player's retries), offering a refused block
// again (while stepping, until the step that lets it through). Answers the
// first other result, or kOk once all is fed or |stop| is set.
int32_t FeedPayload(SinglePlayer& player, int32_t channel, const std::vector<uint8_t>& payload,
                    const std::atomic<bool>& stop, size_t from = 0);

// Opens the stream on |channel| in file mode, feeds it whole, waits until
// the decoder has shown every picture and captures the picture left on
// screen (the last) into |bmpPath| through Play_GetPicture; closes the
// channel. The decoder's clock should be virtual (KELO_M4_CLOCK=virtual).
// Answers what went wrong, or an empty string.
std::string CaptureLastPicture(SinglePlayer& player, int32_t channel, const std::string& streamPath,
                               const std::string& bmpPath);

}  // namespace tests_ffmpeg

#endif
