// Streams as a camera delivers them: joined mid-stream, stalled for longer
// than the idle flush, damaged, or announced with the wrong container. Where
// the ffmpeg tool decodes the same bytes, every picture must match its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <thread>
#include <tuple>

#include "PictureLog.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace m4test {
namespace {

constexpr int32_t kPort = 6;
constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;
constexpr size_t kMarkerBytes = 16;
constexpr int32_t kLiveMode = 0;
constexpr int32_t kFileMode = 1;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from),
                              bytes.begin() + static_cast<ptrdiff_t>(to));
}

class CameraStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KELO_M4_CLOCK", "virtual", 1); }
  void TearDown() override {
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
    PlayM4_SetStreamOpenMode(kPort, kLiveMode);
  }

  void OpenAndPlay(const std::vector<uint8_t>& header, int32_t mode) {
    ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, mode));
    ASSERT_TRUE(PlayM4_OpenStream(kPort, header.data(), 64, kBufferSize));
    ASSERT_TRUE(LogPictures(kPort));
    ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  }

  // What the tool decodes from |bytes| alone.
  std::vector<std::string> ToolDecodes(const TestStream& stream, const std::vector<uint8_t>& bytes) {
    const std::string file = dir_.path() + "piece";
    WriteFile(file, bytes.data(), bytes.size());
    return ToolPictureMd5s(file, stream.container);
  }

  kelo_test::TempDirectory dir_;
};

// ---------------------------------------------------------------------------
// Joining mid-stream, and resuming after a stall

struct Split {
  StreamKind kind;
  int permille;  // where the stream is cut or stalls
  bool stall;    // false: the part before the cut is never sent
};

class SplitStreamTest : public CameraStreamTest, public ::testing::WithParamInterface<Split> {};

TEST_P(SplitStreamTest, PlaysEveryPictureTheToolDecodesFromTheSameBytes) {
  const Split split = GetParam();
  const TestStream& stream = Stream(split.kind);
  const size_t end = stream.payload.size() - kMarkerBytes;
  const size_t cut = end * static_cast<size_t>(split.permille) / 1000;
  const std::vector<uint8_t> head = Slice(stream.payload, 0, cut);
  const std::vector<uint8_t> tail = Slice(stream.payload, cut, end);
  std::vector<std::string> expected = ToolDecodes(stream, tail);
  ASSERT_GT(expected.size(), 0u);

  OpenAndPlay(stream.header, split.stall ? kLiveMode : kFileMode);
  if (split.stall) {
    const std::vector<std::string> before = ToolDecodes(stream, head);
    ASSERT_TRUE(FeedAll(kPort, head, kBlock));
    // Only the idle flush lets the last of them out.
    ASSERT_TRUE(WaitForPictures(kPort, static_cast<int>(before.size())));
    expected.insert(expected.begin(), before.begin(), before.end());
  }
  ASSERT_TRUE(FeedAll(kPort, Slice(stream.payload, cut, stream.payload.size()), kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, static_cast<int>(expected.size())))
      << PictureCount(kPort) << " of " << expected.size();
  ASSERT_TRUE(PlayM4_CloseStream(kPort));
  EXPECT_EQ(PictureMd5s(kPort), expected);
}

std::string SplitName(const ::testing::TestParamInfo<Split>& info) {
  static const std::map<StreamKind, std::string> names = {
      {StreamKind::kCameraProgramMpeg4, "ProgramMpeg4"},
      {StreamKind::kCameraProgramH264, "ProgramH264"},
      {StreamKind::kCameraTransportMpeg4, "TransportMpeg4"},
      {StreamKind::kCameraTransportH264, "TransportH264"}};
  return names.at(info.param.kind) + (info.param.stall ? "StallAt" : "CutAt") +
         std::to_string(info.param.permille);
}

// 97 and 211 permille fall inside the first group of pictures.
INSTANTIATE_TEST_SUITE_P(
    CutsAndStalls, SplitStreamTest,
    ::testing::Values(Split{StreamKind::kCameraProgramMpeg4, 97, false},
                      Split{StreamKind::kCameraProgramMpeg4, 463, false},
                      Split{StreamKind::kCameraProgramMpeg4, 551, true},
                      Split{StreamKind::kCameraProgramH264, 211, false},
                      Split{StreamKind::kCameraProgramH264, 689, false},
                      Split{StreamKind::kCameraProgramH264, 383, true},
                      Split{StreamKind::kCameraTransportMpeg4, 97, false},
                      Split{StreamKind::kCameraTransportMpeg4, 613, false},
                      Split{StreamKind::kCameraTransportH264, 211, false},
                      Split{StreamKind::kCameraTransportH264, 557, false}),
    SplitName);

// ---------------------------------------------------------------------------
// Damaged data

class DamagedStreamTest : public CameraStreamTest,
                          public ::testing::WithParamInterface<std::tuple<StreamKind, int32_t>> {};

// One byte in a hundred replaced, time stamps included: a stamp that does
// not fit the picture rhythm must not hold the picture on screen.
TEST_P(DamagedStreamTest, PlaysWithoutFreezing) {
  const TestStream& stream = Stream(std::get<0>(GetParam()));
  std::vector<uint8_t> damaged = stream.payload;
  std::mt19937 random(20261207);
  for (size_t i = 0; i + kMarkerBytes < damaged.size(); ++i) {
    if (random() % 100 == 0) damaged[i] = static_cast<uint8_t>(random());
  }
  OpenAndPlay(stream.header, std::get<1>(GetParam()));
  ASSERT_TRUE(FeedAll(kPort, damaged, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames / 2));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));
  const std::vector<int32_t> stamps = TimeStamps(kPort);
  for (size_t i = 1; i < stamps.size(); ++i) {
    EXPECT_LE(stamps[i] - stamps[i - 1], 6 * kTestFrameMillis) << "picture " << i;
    EXPECT_GT(stamps[i], stamps[i - 1]) << "picture " << i;
  }
  EXPECT_LE(stamps.back(), (stream.frames + 6) * kTestFrameMillis);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedStreamTest,
    ::testing::Combine(::testing::Values(StreamKind::kCameraProgramMpeg4,
                                         StreamKind::kCameraProgramH264,
                                         StreamKind::kCameraTransportMpeg4,
                                         StreamKind::kCameraTransportH264),
                       ::testing::Values(kLiveMode, kFileMode)));

// ---------------------------------------------------------------------------
// A header and a payload of different containers

class MismatchTest : public CameraStreamTest,
                     public ::testing::WithParamInterface<std::tuple<StreamKind, StreamKind>> {};

TEST_P(MismatchTest, IsReportedUntilTheStreamIsReset) {
  const TestStream& named = Stream(std::get<0>(GetParam()));
  const TestStream& sent = Stream(std::get<1>(GetParam()));
  const std::vector<uint8_t> payload = Slice(sent.payload, 0, sent.payload.size() - kMarkerBytes);
  OpenAndPlay(named.header, kLiveMode);
  // Recognition gives up after a bounded amount of data.
  size_t fed = 0;
  int32_t refusal = 0;
  while (fed < (8u << 20) && refusal == 0) {
    const size_t at = fed % payload.size();
    const auto size = static_cast<uint32_t>(std::min(kBlock, payload.size() - at));
    if (PlayM4_InputData(kPort, payload.data() + at, size)) {
      fed += size;
    } else if (PlayM4_GetLastError(kPort) == 11) {
      std::this_thread::yield();
    } else {
      refusal = PlayM4_GetLastError(kPort);
    }
  }
  EXPECT_EQ(refusal, 20);
  EXPECT_FALSE(PlayM4_InputData(kPort, payload.data(), kBlock));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 20);
  EXPECT_EQ(PictureCount(kPort), 0);
  ASSERT_TRUE(PlayM4_ResetSourceBuffer(kPort));
  EXPECT_TRUE(PlayM4_InputData(kPort, payload.data(), kBlock));
}

INSTANTIATE_TEST_SUITE_P(
    Containers, MismatchTest,
    ::testing::Values(std::make_tuple(StreamKind::kCameraProgramH264,
                                      StreamKind::kCameraTransportH264),
                      std::make_tuple(StreamKind::kCameraTransportMpeg4,
                                      StreamKind::kCameraProgramMpeg4)));

}  // namespace
}  // namespace m4test
