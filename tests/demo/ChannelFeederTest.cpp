#include "ChannelFeeder.h"

#include "RecordingPlayer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace demo_viewer {
namespace {

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
}  // namespace demo_viewer
