// A damaged stream fed at its own pace, as a camera sends it, on the real
// clock: the pictures must keep coming as their data does. Fed at full
// speed, a hold-up inside the port is hidden by the data already there.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "PictureLog.h"
#include "StoredStreams.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
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

// Moves two video PES starts a quarter into the stream to a PID that no
// table names, as damage to a packet header does: the demuxer meets a
// stream of unknown kind, whose first PES it hands on when the second begins.
void MovePesStartsToStrayPid(std::vector<uint8_t>* payload) {
  const size_t from = payload->size() / 4;
  int count = 2;
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

// Loses the second key picture and the reference picture sent before it, as
// damage to their headers does: the pictures after them count their order
// below those shown, and an H.264 decoder drops them until the next key.
void LoseSecondKeyPicture(std::vector<uint8_t>* payload) {
  size_t lastReference = 0;
  for (size_t at = 3, keys = 0; at < payload->size(); ++at) {
    uint8_t& unit = (*payload)[at];
    if ((*payload)[at - 3] != 0 || (*payload)[at - 2] != 0 || (*payload)[at - 1] != 1) continue;
    if ((unit & 0x1F) == 1 && (unit & 0x60) != 0) lastReference = at;  // a reference slice
    if ((unit & 0x1F) == 5 && ++keys == 2) {  // a key slice: both become units of no kind
      unit &= 0xE0;
      (*payload)[lastReference] &= 0xE0;
      return;
    }
  }
}

// Puts the stamp of a video PES a third into the stream 2.55 s ahead (7 in
// its bits 15 to 21, 2^15 ticks of 90 kHz each), as damage to its header does.
void PutAStampAhead(std::vector<uint8_t>* payload) {
  for (size_t at = 0; at + kTsPacket <= payload->size(); at += kTsPacket) {
    uint8_t* packet = payload->data() + at;
    if (at < payload->size() / 3 || packet[0] != 0x47 || !StartsPes(packet)) continue;
    uint8_t* pes = packet + ((packet[3] & 0x20) != 0 ? 5u + packet[4] : 4u);
    if (pes + 14 > packet + kTsPacket || pes[3] != 0xE0 || (pes[11] >> 1) > 120) continue;
    pes[11] = static_cast<uint8_t>(pes[11] + (7 << 1));
    return;
  }
}

struct PacedCase {
  const char* name;
  void (*damage)(std::vector<uint8_t>* payload);
  int lostPictures;     // at most
  size_t keptPictures;  // shown before the loss, the gaps checked; all when 0
};
const PacedCase kPacedCases[] = {
    // Nothing may hold the pictures back: the demuxer telling a stray
    // stream's kind, the decoder a key picture lost, a damaged stamp in a
    // stream whose rate is damaged too.
    {"StrayStream", MovePesStartsToStrayPid, 2, 0},
    {"LostKeyPicture", LoseSecondKeyPicture, 22, 18},
    {"StampAhead", PutAStampAhead, 0, 0}};
void PrintTo(const PacedCase& tested, std::ostream* out) { *out << tested.name; }

class PacedStreamTest : public ::testing::TestWithParam<PacedCase> {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", nullptr); }
  void TearDown() override {
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
    PlayM4_SetStreamOpenMode(kPort, kLiveMode);
  }

  tests::TempDirectory dir_;
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

TEST_P(PacedStreamTest, DamagedStreamInAFileKeepsThePicturesComing) {
  TestStream stream = MakeStream(StreamKind::kCameraTransportH264D1, kPacedFrames, dir_);
  const std::vector<PacketTime> times = VideoPacketTimes(stream.mediaFile);
  ASSERT_FALSE(times.empty());
  GetParam().damage(&stream.payload);

  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, kFileMode));
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  FeedAtThePaceOf(times, stream.payload);
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames - GetParam().lostPictures));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));

  const std::vector<SteadyClock::time_point> shown = ShownTimes(kPort);
  const std::vector<int32_t> stamps = TimeStamps(kPort);
  const size_t checked =
      GetParam().keptPictures > 0 ? std::min(GetParam().keptPictures, shown.size()) : shown.size();
  for (size_t i = 1; i < checked; ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(shown[i] - shown[i - 1]);
    EXPECT_LE(gap.count(), kLongestGapMillis)
        << "picture " << i << ", stamp " << stamps[i - 1] << " then " << stamps[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Damages, PacedStreamTest, ::testing::ValuesIn(kPacedCases),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace tests_ffmpeg
