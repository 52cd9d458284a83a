// Streams as a camera delivers them: joined mid-stream, stalled for longer
// than the idle flush, damaged, or announced with the wrong container. Where
// the ffmpeg tool decodes the same bytes, every picture must match its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <thread>
#include <tuple>

#include "PictureLog.h"
#include "StoredStreams.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

constexpr int32_t kPort = 6;
constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from),
                              bytes.begin() + static_cast<ptrdiff_t>(to));
}

class CameraStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", "virtual"); }
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
  std::vector<std::string> ToolDecodes(const TestStream& stream,
                                       const std::vector<uint8_t>& bytes) {
    const std::string file = dir_.path() + "piece";
    WriteFile(file, bytes.data(), bytes.size());
    return ToolPictureMd5s(file, stream.container);
  }

  tests::TempDirectory dir_;
};

class CameraKindTest : public CameraStreamTest,
                       public ::testing::WithParamInterface<CameraKindCase> {
 protected:
  // Plays |stream| from |permille| of its length on, after the part before
  // it and a stall longer than the idle flush when |stall|, and checks every
  // picture against what the tool decodes from the same bytes.
  void PlayFrom(const TestStream& stream, int permille, bool stall) {
    const size_t end = stream.payload.size() - kMarkerBytes;
    const size_t cut = JoinPoint(stream, permille);
    const std::vector<uint8_t> head = Slice(stream.payload, 0, cut);
    std::vector<std::string> expected = ToolDecodes(stream, Slice(stream.payload, cut, end));
    ASSERT_GT(expected.size(), 0u);
    OpenAndPlay(stream.header, stall ? kLiveMode : kFileMode);
    if (stall) {
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
};

// ---------------------------------------------------------------------------
// Joining mid-stream, and resuming after a stall

TEST_P(CameraKindTest, JoinedMidStreamPlaysEveryPictureTheToolDecodes) {
  for (int permille : GetParam().cutsPermille) {
    SCOPED_TRACE("cut at " + std::to_string(permille) + " permille");
    PlayFrom(Stream(GetParam().kind), permille, false);
  }
}

TEST_P(CameraKindTest, ResumesAfterAStallLongerThanTheIdleFlush) {
  PlayFrom(Stream(GetParam().kind), GetParam().stallPermille, true);
}

// ---------------------------------------------------------------------------
// Damaged data

// One byte in a hundred replaced, time stamps included: a stamp that does
// not fit the picture rhythm must not hold the picture on screen.
TEST_P(CameraKindTest, DamagedStreamPlaysWithoutFreezing) {
  const TestStream& stream = Stream(GetParam().kind);
  std::vector<uint8_t> damaged = stream.payload;
  std::mt19937 random(20261207);
  for (size_t i = 0; i + kMarkerBytes < damaged.size(); ++i) {
    if (random() % 100 == 0) damaged[i] = static_cast<uint8_t>(random());
  }
  OpenAndPlay(stream.header, GetParam().damagedMode);
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

INSTANTIATE_TEST_SUITE_P(Kinds, CameraKindTest, ::testing::ValuesIn(kCameraKindCases),
                         [](const ::testing::TestParamInfo<CameraKindCase>& tested) {
                           return std::string(tested.param.name);
                         });

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
    ::testing::Values(
        std::make_tuple(StreamKind::kCameraProgramH264, StreamKind::kCameraTransportH264),
        std::make_tuple(StreamKind::kCameraTransportMpeg4, StreamKind::kCameraProgramMpeg4)),
    [](const ::testing::TestParamInfo<std::tuple<StreamKind, StreamKind>>& tested) {
      return std::get<0>(tested.param) == StreamKind::kCameraProgramH264
                 ? "ProgramHeaderTransportData"
                 : "TransportHeaderProgramData";
    });

}  // namespace
}  // namespace tests_ffmpeg
