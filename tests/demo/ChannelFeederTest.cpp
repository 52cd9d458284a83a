#include "ChannelFeeder.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace demo {
namespace {

// A player that takes blocks into a record, answers a buffer level set by the
// test, and refuses input with a chosen result.
class RecordingPlayer : public SinglePlayer {
 public:
  std::vector<uint8_t> received;
  std::vector<uint32_t> blockSizes;
  uint32_t bufferRemain = 0;
  int32_t inputResult = 0;
  int inputCalls = 0;

  int32_t Play_InputData(int32_t, const uint8_t* data, uint32_t size, uint32_t) override {
    ++inputCalls;
    if (inputResult != 0) return inputResult;
    received.insert(received.end(), data, data + size);
    blockSizes.push_back(size);
    return 0;
  }
  int32_t Play_GetBufferRemainDataSize(int32_t, uint32_t* size) override {
    *size = bufferRemain;
    return 0;
  }

  int32_t Play_InitDDraw(WindowHandle) override { return 0; }
  int32_t Play_ReleaseDDraw() override { return 0; }
  int32_t Play_SetOverlayMode(int32_t, uint32_t) override { return 0; }
  int32_t Play_GetPreviewMode(int32_t, int32_t*, uint32_t*) override { return 0; }
  int32_t Play_SetOpenMode(int32_t, int32_t) override { return 0; }
  int32_t Play_OpenStream(WindowHandle, int32_t, const uint8_t*, uint32_t, uint32_t) override {
    return 0;
  }
  int32_t Play_CloseStream(int32_t) override { return 0; }
  int32_t Play_PlayState(int32_t, int32_t) override { return 0; }
  int32_t Play_GetPlayState(int32_t, int32_t*) override { return 0; }
  int32_t Play_SetVolume(int32_t, int32_t) override { return 0; }
  int32_t Play_GetVolume(int32_t, int32_t*) override { return 0; }
  int32_t Play_GetPicture(int32_t, const char*) override { return 0; }
  int32_t Play_RefreshPlay(int32_t) override { return 0; }
  int32_t Play_GetHeadLen(uint32_t*) override { return 0; }
  int32_t Play_GetPictureSize(int32_t, int32_t*, int32_t*) override { return 0; }
  int32_t Play_SetPicQuality(int32_t, int32_t) override { return 0; }
  int32_t Play_GetPicQuality(int32_t, int32_t*) override { return 0; }
  int32_t Play_ThrowFrame(int32_t, int32_t) override { return 0; }
  int32_t Play_GetThrowNum(int32_t, int32_t*) override { return 0; }
  int32_t Play_SetVideoPara(int32_t, VideoPara*, int32_t) override { return 0; }
  int32_t Play_GetVideoPara(int32_t, VideoPara*) override { return 0; }
  int32_t Play_SetDispRegion(int32_t, int32_t, const RECT*) override { return 0; }
  int32_t Play_GetDispRegion(int32_t, RECT*) override { return 0; }
  int32_t Play_ClearBuffer(int32_t) override { return 0; }
};

std::vector<uint8_t> CountingPayload(size_t size) {
  std::vector<uint8_t> payload(size);
  std::iota(payload.begin(), payload.end(), uint8_t{0});
  return payload;
}

TEST(ChannelFeederTest, FeedsThePayloadInOrderAndStartsOverAtItsEnd) {
  RecordingPlayer player;
  const std::vector<uint8_t> payload = CountingPayload(10);
  ChannelFeeder feeder(player, 3, payload, 4);
  for (int block = 0; block < 4; ++block) EXPECT_EQ(feeder.FeedOnce(), FeedOutcome::kFed);
  EXPECT_EQ(player.blockSizes, (std::vector<uint32_t>{4, 4, 2, 4}));
  std::vector<uint8_t> expected = payload;
  expected.insert(expected.end(), payload.begin(), payload.begin() + 4);
  EXPECT_EQ(player.received, expected);
  EXPECT_EQ(feeder.BytesFed(), 14u);
  EXPECT_EQ(feeder.Loops(), 1u);
}

TEST(ChannelFeederTest, HoldsBackABlockThatWouldOverfillTheDecoderBuffer) {
  RecordingPlayer player;
  const std::vector<uint8_t> payload = CountingPayload(kFeedBlockBytes * 2);
  ChannelFeeder feeder(player, 0, payload);
  player.bufferRemain = kSourceBufferBytes - kFeedBlockBytes + 1;
  EXPECT_EQ(feeder.FeedOnce(), FeedOutcome::kBufferFull);
  EXPECT_EQ(player.inputCalls, 0);
  player.bufferRemain = kSourceBufferBytes - kFeedBlockBytes;
  EXPECT_EQ(feeder.FeedOnce(), FeedOutcome::kFed);
  EXPECT_EQ(feeder.BytesFed(), kFeedBlockBytes);
}

TEST(ChannelFeederTest, ARefusedBlockIsOfferedAgainSoTheStreamStaysWhole) {
  RecordingPlayer player;
  const std::vector<uint8_t> payload = CountingPayload(8);
  ChannelFeeder feeder(player, 0, payload, 4);
  ASSERT_EQ(feeder.FeedOnce(), FeedOutcome::kFed);
  player.inputResult = 12;  // stepping: no step command since the last block
  EXPECT_EQ(feeder.FeedOnce(), FeedOutcome::kRefused);
  EXPECT_EQ(feeder.FeedOnce(), FeedOutcome::kRefused);
  EXPECT_EQ(feeder.LastRefusal(), 12);
  player.inputResult = 0;
  ASSERT_EQ(feeder.FeedOnce(), FeedOutcome::kFed);
  EXPECT_EQ(player.received, payload);
  EXPECT_EQ(feeder.BytesFed(), 8u);
}

TEST(ChannelFeederTest, StopEndsAThreadThatWaitsForRoom) {
  RecordingPlayer player;
  const std::vector<uint8_t> payload = CountingPayload(64);
  ChannelFeeder feeder(player, 0, payload, 16);
  player.bufferRemain = kSourceBufferBytes;  // nothing fits: the thread only waits
  feeder.Start();
  feeder.Stop();
  EXPECT_EQ(player.inputCalls, 0);
  EXPECT_EQ(feeder.BytesFed(), 0u);
}

}  // namespace
}  // namespace demo
