// A damaged stream fed at its own pace, as a camera sends it, on the real
// clock: the pictures must keep coming as their data does. Fed at full
// speed, a hold-up inside the port is hidden by the data already there.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "PictureLog.h"
#include "StoredStreams.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace m4test {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int32_t kPort = 7;
constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;
constexpr size_t kTsPacket = 188;
constexpr int64_t kLongestGapMillis = 500;

// The PID of a transport packet and whether a PES starts in it.
int PidOf(const uint8_t* packet) { return (packet[1] & 0x1F) << 8 | packet[2]; }
bool StartsPes(const uint8_t* packet) { return (packet[1] & 0x40) != 0; }

// Moves the first video PES starts at or after |from| to a PID that no
// table names, as damage to a packet header does: the demuxer meets a
// stream of unknown kind, whose first PES it hands on when the second begins.
void MovePesStartsToStrayPid(std::vector<uint8_t>* payload, size_t from, int count) {
  constexpr int kStrayPid = 0x0E00;
  int videoPid = -1;
  for (size_t at = 0; at + kTsPacket <= payload->size() && count > 0; at += kTsPacket) {
    uint8_t* packet = payload->data() + at;
    if (packet[0] != 0x47 || !StartsPes(packet)) continue;
    const size_t payloadStart = (packet[3] & 0x20) != 0 ? 5u + packet[4] : 4u;
    if (videoPid < 0 && payloadStart + 4 <= kTsPacket && packet[payloadStart + 3] == 0xE0) {
      videoPid = PidOf(packet);
    }
    if (at < from || PidOf(packet) != videoPid) continue;
    packet[1] = static_cast<uint8_t>((packet[1] & 0xE0) | kStrayPid >> 8);
    packet[2] = static_cast<uint8_t>(kStrayPid & 0xFF);
    --count;
  }
}

class PacedStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", nullptr); }
  void TearDown() override {
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
    PlayM4_SetStreamOpenMode(kPort, kLiveMode);
  }

  kelo_test::TempDirectory dir_;
};

// Each block goes out when the camera would have sent it: at the decoding
// time of the last video packet begun before it.
void FeedAtThePaceOf(const std::vector<PacketTime>& times, const std::vector<uint8_t>& payload) {
  const SteadyClock::time_point start = SteadyClock::now();
  size_t packet = 0;
  for (size_t fed = 0; fed < payload.size();) {
    while (packet + 1 < times.size() && times[packet + 1].position <= fed) ++packet;
    std::this_thread::sleep_until(
        start + std::chrono::microseconds(times[packet].dtsMicros - times.front().dtsMicros));
    const auto size = static_cast<uint32_t>(std::min(kBlock, payload.size() - fed));
    if (PlayM4_InputData(kPort, payload.data() + fed, size)) {
      fed += size;
    } else {
      ASSERT_EQ(PlayM4_GetLastError(kPort), 11);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

// A stray stream of unknown kind must not hold the pictures back while the
// demuxer gathers enough of it to tell what it is.
TEST_F(PacedStreamTest, StrayStreamInAFileDoesNotHoldThePictures) {
  TestStream stream = MakeStream(StreamKind::kCameraTransportH264D1, kPacedFrames, dir_);
  const std::vector<PacketTime> times = VideoPacketTimes(stream.mediaFile);
  ASSERT_FALSE(times.empty());
  MovePesStartsToStrayPid(&stream.payload, stream.payload.size() / 4, 2);

  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, kFileMode));
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  FeedAtThePaceOf(times, stream.payload);
  // The two pictures whose starts went astray are lost.
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames - 2));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));

  const std::vector<SteadyClock::time_point> shown = ShownTimes(kPort);
  const std::vector<int32_t> stamps = TimeStamps(kPort);
  for (size_t i = 1; i < shown.size(); ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(shown[i] - shown[i - 1]);
    EXPECT_LE(gap.count(), kLongestGapMillis)
        << "picture " << i << ", stamp " << stamps[i - 1] << " then " << stamps[i];
  }
}

}  // namespace
}  // namespace m4test
