// The FFmpeg decoder through its 27 functions, on streams made at test time.
// Pacing runs on the virtual clock, so no test waits for stream time to pass.
#include <gtest/gtest.h>

#include <chrono>
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

constexpr int32_t kPort = 5;
constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;

class DecoderApiTest : public ::testing::Test {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", "virtual"); }
  void TearDown() override {
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
    PlayM4_ThrowBFrameNum(kPort, 0);
    PlayM4_SetStreamOpenMode(kPort, kLiveMode);
  }

  void OpenAndPlay(const TestStream& stream, int32_t mode) {
    ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, mode));
    ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
    ASSERT_TRUE(LogPictures(kPort));
    ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  }

  tests::TempDirectory dir_;
};

// ---------------------------------------------------------------------------
// Every container and mode: every frame, in order, with the known picture.

class EveryStreamTest : public DecoderApiTest,
                        public ::testing::WithParamInterface<std::tuple<StreamKind, int32_t>> {};

TEST_P(EveryStreamTest, PresentsEveryFrameInOrderWithTheKnownPicture) {
  const TestStream& stream = Stream(std::get<0>(GetParam()));
  ASSERT_EQ(stream.frames, kTestFrames);
  OpenAndPlay(stream, std::get<1>(GetParam()));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);

  const std::vector<int32_t> stamps = TimeStamps(kPort);
  for (size_t i = 1; i < stamps.size(); ++i) {
    EXPECT_EQ(stamps[i] - stamps[i - 1], kTestFrameMillis) << "picture " << i;
  }
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_TRUE(PlayM4_GetPictureSize(kPort, &width, &height));
  EXPECT_EQ(width, kTestWidth);
  EXPECT_EQ(height, kTestHeight);

  const DeliveredPicture last = LastPicture(kPort);
  EXPECT_EQ(last.frameType, 1);
  EXPECT_EQ(last.bytes.size(), static_cast<size_t>(kTestWidth * kTestHeight * 3 / 2));
  const std::string file = dir_.path() + "last.bmp";
  ASSERT_TRUE(PlayM4_ConvertToBmpFile(last.bytes.data(), static_cast<int32_t>(last.bytes.size()),
                                      last.width, last.height, last.frameType, file.c_str()));
  Bitmap bitmap;
  ASSERT_TRUE(ReadBitmap(file, &bitmap));
  ASSERT_EQ(bitmap.width, kTestWidth);
  ASSERT_EQ(bitmap.height, kTestHeight);
  for (const KnownColour& known : KnownColours()) {
    const Rgb pixel = bitmap.Pixel(known.x, known.y);
    EXPECT_TRUE(Near(pixel, known.colour)) << "at " << known.x << "," << known.y << ": "
                                           << pixel.red << " " << pixel.green << " " << pixel.blue;
  }
}

std::string StreamAndModeName(
    const ::testing::TestParamInfo<std::tuple<StreamKind, int32_t>>& info) {
  static const char* const kinds[] = {"ProgramMpeg2", "ProgramMpeg4", "TransportH264",
                                      "TransportH265"};
  return std::string(kinds[static_cast<int>(std::get<0>(info.param))]) +
         (std::get<1>(info.param) == kLiveMode ? "Live" : "File");
}

INSTANTIATE_TEST_SUITE_P(ContainersAndModes, EveryStreamTest,
                         ::testing::Combine(::testing::Values(StreamKind::kProgramMpeg2WithAudio,
                                                              StreamKind::kProgramMpeg4,
                                                              StreamKind::kTransportH264,
                                                              StreamKind::kTransportH265),
                                            ::testing::Values(kLiveMode, kFileMode)),
                         StreamAndModeName);

TEST_F(DecoderApiTest, StartsWithoutHeaderWhenTheFirstBlockBeginsTheStream) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, kFileMode));
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.payload.data(), kBlock, kBufferSize));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  const std::vector<uint8_t> rest(stream.payload.begin() + kBlock, stream.payload.end());
  ASSERT_TRUE(FeedAll(kPort, rest, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

// Without the end marker the last pictures wait for more data, until the
// idle delay (one second of real time) flushes them out. On the real clock
// they are late by then, and a live stream must still show them.
TEST_F(DecoderApiTest, LastPicturesComeOutWhenNoMoreDataComes) {
  const TestStream stream = MakeStream(StreamKind::kCameraProgramH264, kUnmarkedFrames, dir_);
  const std::vector<uint8_t> unmarked(stream.payload.begin(), stream.payload.end() - 16);
  SetVariable("KELO_M4_CLOCK", nullptr);
  OpenAndPlay(stream, kLiveMode);
  ASSERT_TRUE(FeedAll(kPort, unmarked, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames))
      << PictureCount(kPort) << " of " << stream.frames;
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

// ---------------------------------------------------------------------------
// Controls

TEST_F(DecoderApiTest, PausedPortFillsUpThenStepsOnePictureAtATime) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  OpenAndPlay(stream, kFileMode);
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));
  // Paused, the decoder still reads ahead in small pieces until its picture
  // queue is full; after that the source buffer fills and stays full.
  size_t taken = 0;
  uint32_t remain = 0;
  do {
    const std::vector<uint8_t> rest(stream.payload.begin() + static_cast<ptrdiff_t>(taken),
                                    stream.payload.end());
    taken += FeedUntilFull(kPort, rest, kBlock);
    ASSERT_LT(taken, stream.payload.size());
    EXPECT_EQ(PlayM4_GetLastError(kPort), 11);
    remain = PlayM4_GetSourceBufferRemain(kPort);
  } while (remain <= kBufferSize - kBlock);
  EXPECT_EQ(PictureCount(kPort), 0);

  for (int step = 1; step <= 3; ++step) {
    ASSERT_TRUE(PlayM4_OneByOne(kPort));
    ASSERT_TRUE(WaitForPictures(kPort, step));
    EXPECT_EQ(PictureCount(kPort), step);
  }
  ASSERT_TRUE(PlayM4_Pause(kPort, 0));
  const std::vector<uint8_t> rest(stream.payload.begin() + static_cast<ptrdiff_t>(taken),
                                  stream.payload.end());
  ASSERT_TRUE(FeedAll(kPort, rest, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

// Blocks as large as the buffer, sent faster than they play, are taken at
// once: they do not wait for the buffer to run dry.
TEST_F(DecoderApiTest, PlayingPortTakesWholeBufferBlocksAtOnce) {
  const TestStream& stream = Stream(StreamKind::kCameraProgramMpeg4);
  ASSERT_GT(stream.payload.size(), 4 * kBufferSize);
  OpenAndPlay(stream, kFileMode);
  size_t fed = 0;
  for (; fed < 4 * kBufferSize; fed += kBufferSize) {
    EXPECT_TRUE(PlayM4_InputData(kPort, stream.payload.data() + fed, kBufferSize));
  }
  const std::vector<uint8_t> rest(stream.payload.begin() + static_cast<ptrdiff_t>(fed),
                                  stream.payload.end());
  ASSERT_TRUE(FeedAll(kPort, rest, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
}

TEST_F(DecoderApiTest, SpeedStepsAreAcceptedWhilePlayingAndEveryFrameStillComes) {
  const TestStream& stream = Stream(StreamKind::kTransportH264);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  EXPECT_FALSE(PlayM4_Fast(kPort));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(PlayM4_Slow(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(PlayM4_Fast(kPort));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

class ThrowLevelTest : public DecoderApiTest, public ::testing::WithParamInterface<uint32_t> {};

// In MPEG-2 the bidirectional pictures are exactly the non-reference ones.
TEST_P(ThrowLevelTest, SkipsTheBidirectionalPictures) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  ASSERT_GT(stream.bidirectionalFrames, 0);
  ASSERT_TRUE(PlayM4_ThrowBFrameNum(kPort, GetParam()));
  OpenAndPlay(stream, kFileMode);
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  const int expected = stream.frames - stream.bidirectionalFrames;
  ASSERT_TRUE(WaitForPictures(kPort, expected));
  // The stream's end marker has flushed everything: nothing more follows.
  ASSERT_TRUE(PlayM4_Stop(kPort));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));
  EXPECT_EQ(PictureCount(kPort), expected);
}

std::string ThrowLevelName(const ::testing::TestParamInfo<uint32_t>& level) {
  return level.param == 1 ? "NonReference" : "Bidirectional";
}

INSTANTIATE_TEST_SUITE_P(Levels, ThrowLevelTest, ::testing::Values(1u, 2u), ThrowLevelName);

TEST_F(DecoderApiTest, ResetDropsWhatWasQueuedAndPlaysTheNextData) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  OpenAndPlay(stream, kFileMode);
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));
  ASSERT_LT(FeedUntilFull(kPort, stream.payload, kBlock), stream.payload.size());
  ASSERT_TRUE(PlayM4_ResetSourceBuffer(kPort));
  EXPECT_EQ(PlayM4_GetSourceBufferRemain(kPort), 0u);
  ASSERT_TRUE(PlayM4_Pause(kPort, 0));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

TEST_F(DecoderApiTest, ResetDuringTheFirstProbeLeavesThePortWorking) {
  const TestStream& stream = Stream(StreamKind::kTransportH264);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.payload.data(), 188, kBufferSize));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  ASSERT_TRUE(PlayM4_ResetSourceBuffer(kPort));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_EQ(PictureCount(kPort), stream.frames);
}

TEST_F(DecoderApiTest, ClosesWhetherStarvedFullOrNeverFed) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  const std::vector<uint8_t> half(
      stream.payload.begin(),
      stream.payload.begin() + static_cast<ptrdiff_t>(stream.payload.size() / 2));
  OpenAndPlay(stream, kLiveMode);
  ASSERT_TRUE(FeedAll(kPort, half, kBlock));
  EXPECT_TRUE(PlayM4_CloseStream(kPort));

  OpenAndPlay(stream, kFileMode);
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));
  FeedUntilFull(kPort, stream.payload, kBlock);
  EXPECT_TRUE(PlayM4_CloseStream(kPort));

  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  EXPECT_TRUE(PlayM4_CloseStream(kPort));
}

// ---------------------------------------------------------------------------
// Callbacks

TEST_F(DecoderApiTest, NewCallbackGetsThePictureOnScreenWhilePaused) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg4);
  OpenAndPlay(stream, kFileMode);
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(WaitForPictures(kPort, 1));
  EXPECT_EQ(LastPicture(kPort).timeStamp, (stream.frames - 1) * kTestFrameMillis);
}

std::string reentrantBitmap;
const uint8_t* reentrantHeader = nullptr;
std::atomic<int> reentrantCalls{0};

void M4CALL CallsBackIn(int32_t port, const uint8_t* frame, int32_t size, int32_t width,
                        int32_t height, int32_t, int32_t type, int32_t) {
  int32_t w = 0;
  int32_t h = 0;
  PlayM4_GetPictureSize(port, &w, &h);
  PlayM4_ConvertToBmpFile(frame, size, width, height, type, reentrantBitmap.c_str());
  PlayM4_GetLastError(port);
  // Closing or opening from inside is refused, not a deadlock, also while
  // another thread is closing the port. The port's last error is shared with
  // the feeder, whose refused blocks (11) may land between call and query.
  const auto refusedOutOfOrder = [port] {
    const int32_t code = PlayM4_GetLastError(port);
    return code == 2 || code == 11;
  };
  if (PlayM4_CloseStream(port) || !refusedOutOfOrder()) std::abort();
  if (PlayM4_OpenStream(port, reentrantHeader, 64, 51200) || !refusedOutOfOrder()) std::abort();
  if (++reentrantCalls % 7 == 0) PlayM4_SetDisplayCallBack(port, nullptr);
}

TEST_F(DecoderApiTest, CallbackMayCallInAndBeRemovedWhileInFlight) {
  reentrantBitmap = dir_.path() + "inside.bmp";
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  reentrantHeader = stream.header.data();
  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, kFileMode));
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  std::atomic<bool> feeding{true};
  bool fedAll = false;
  std::thread feeder([&] {
    // The callback's refused calls (2) share the port's last error with the
    // refused blocks (11), so every refusal is retried.
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    size_t fed = 0;
    while (fed < stream.payload.size() && std::chrono::steady_clock::now() < giveUp) {
      const auto size = static_cast<uint32_t>(std::min(kBlock, stream.payload.size() - fed));
      if (PlayM4_InputData(kPort, stream.payload.data() + fed, size)) {
        fed += size;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    fedAll = fed == stream.payload.size();
    feeding = false;
  });
  // The playing port takes the data faster than it shows it, so the
  // callback keeps coming and going after the last block, too.
  while (feeding || reentrantCalls.load() < 20) {
    const int callsBefore = reentrantCalls.load();
    EXPECT_TRUE(PlayM4_SetDisplayCallBack(kPort, &CallsBackIn));
    // Installing redelivers the picture on screen (or the next one comes);
    // removing it only after it was entered keeps a loaded machine from
    // never seeing a call.
    while (reentrantCalls.load() == callsBefore) std::this_thread::yield();
    EXPECT_TRUE(PlayM4_SetDisplayCallBack(kPort, nullptr));
  }
  feeder.join();
  EXPECT_TRUE(fedAll);
  EXPECT_GT(reentrantCalls.load(), 0);
  EXPECT_TRUE(FileExists(reentrantBitmap));
  // The new callback gets the last picture while the port closes.
  ASSERT_TRUE(PlayM4_SetDisplayCallBack(kPort, &CallsBackIn));
  EXPECT_TRUE(PlayM4_CloseStream(kPort));
}

// ---------------------------------------------------------------------------
// Errors

TEST_F(DecoderApiTest, CallsOutOfOrderFailWithCodeTwo) {
  int32_t width = 0;
  int32_t height = 0;
  uint8_t byte = 0;
  EXPECT_FALSE(PlayM4_Play(kPort, nullptr));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  EXPECT_FALSE(PlayM4_InputData(kPort, &byte, 1));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  EXPECT_FALSE(PlayM4_CloseStream(kPort));
  EXPECT_FALSE(PlayM4_Pause(kPort, 1));
  EXPECT_FALSE(PlayM4_OneByOne(kPort));
  EXPECT_FALSE(PlayM4_RefreshPlay(kPort));
  EXPECT_FALSE(PlayM4_ResetSourceBuffer(kPort));
  EXPECT_EQ(PlayM4_GetSourceBufferRemain(kPort), 0u);
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);

  const TestStream& stream = Stream(StreamKind::kTransportH264);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  EXPECT_FALSE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  EXPECT_FALSE(PlayM4_SetStreamOpenMode(kPort, kFileMode));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  EXPECT_FALSE(PlayM4_Pause(kPort, 1));  // not playing yet
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
  EXPECT_FALSE(PlayM4_GetPictureSize(kPort, &width, &height));  // no picture yet
  EXPECT_EQ(PlayM4_GetLastError(kPort), 2);
}

TEST_F(DecoderApiTest, BadArgumentsFailWithCodeOne) {
  uint8_t byte = 0;
  for (int32_t port : {-1, 32, 1000}) {
    EXPECT_FALSE(PlayM4_Play(port, nullptr));
    EXPECT_EQ(PlayM4_GetLastError(port), 1);
  }
  EXPECT_FALSE(PlayM4_SetStreamOpenMode(kPort, 2));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_ThrowBFrameNum(kPort, 3));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_SetPicQuality(kPort, -1));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_OpenStream(kPort, nullptr, 64, kBufferSize));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_GetPictureSize(kPort, nullptr, nullptr));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);

  const TestStream& stream = Stream(StreamKind::kTransportH264);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 4096));
  const std::vector<uint8_t> tooLarge(4097);
  EXPECT_FALSE(PlayM4_InputData(kPort, tooLarge.data(), 4097));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_InputData(kPort, nullptr, 10));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_InputData(kPort, &byte, 0));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  const RECT inverted{10, 10, 5, 5};
  EXPECT_FALSE(PlayM4_SetDisplayRegion(kPort, 1, &inverted, nullptr, 1));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
}

TEST_F(DecoderApiTest, HeadersAreCheckedBeforeOpening) {
  EXPECT_EQ(PlayM4_GetFileHeadLength(), 64u);
  std::vector<uint8_t> header = Stream(StreamKind::kTransportH264).header;
  const std::vector<uint8_t> garbage(64, 0xAB);
  EXPECT_FALSE(PlayM4_OpenStream(kPort, garbage.data(), 64, kBufferSize));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 17);
  EXPECT_FALSE(PlayM4_OpenStream(kPort, header.data(), 40, kBufferSize));  // cut short
  EXPECT_EQ(PlayM4_GetLastError(kPort), 17);
  std::copy_n("nosuchformat", 13, header.begin() + 8);
  EXPECT_FALSE(PlayM4_OpenStream(kPort, header.data(), 64, kBufferSize));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 19);
}

TEST_F(DecoderApiTest, BitmapFailuresLeaveNoFile) {
  const std::vector<uint8_t> frame(16 * 16 * 3 / 2, 128);
  const std::string good = dir_.path() + "good.bmp";
  EXPECT_TRUE(PlayM4_ConvertToBmpFile(frame.data(), 384, 16, 16, 1, good.c_str()));
  Bitmap bitmap;
  EXPECT_TRUE(ReadBitmap(good, &bitmap));

  const std::string bad = dir_.path() + "bad.bmp";
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(frame.data(), 383, 16, 16, 1, bad.c_str()));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(nullptr, 384, 16, 16, 1, bad.c_str()));
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(frame.data(), 384, 0, 16, 1, bad.c_str()));
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(frame.data(), 384, 16, 16, 99, bad.c_str()));
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(frame.data(), 384, 16, 16, 1, nullptr));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 1);
  const std::string unwritable = dir_.path() + "no/such/dir.bmp";
  EXPECT_FALSE(PlayM4_ConvertToBmpFile(frame.data(), 384, 16, 16, 1, unwritable.c_str()));
  EXPECT_EQ(PlayM4_GetLastError(kPort), 7);
  EXPECT_FALSE(FileExists(bad));
  EXPECT_EQ(ReadFile(dir_.path() + "good.bmp").size(), bitmap.file.size());
}

TEST_F(DecoderApiTest, PortsAreIndependent) {
  const TestStream& ps = Stream(StreamKind::kProgramMpeg2WithAudio);
  const TestStream& ts = Stream(StreamKind::kTransportH264);
  constexpr int32_t kOther = 31;
  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kOther, kFileMode));
  ASSERT_TRUE(PlayM4_OpenStream(kOther, ts.header.data(), 64, kBufferSize));
  ASSERT_TRUE(LogPictures(kOther));
  ASSERT_TRUE(PlayM4_Play(kOther, nullptr));
  OpenAndPlay(ps, kFileMode);
  std::thread other([&] { EXPECT_TRUE(FeedAll(kOther, ts.payload, kBlock)); });
  ASSERT_TRUE(FeedAll(kPort, ps.payload, kBlock));
  other.join();
  ASSERT_TRUE(WaitForPictures(kPort, ps.frames));
  ASSERT_TRUE(WaitForPictures(kOther, ts.frames));
  EXPECT_TRUE(PlayM4_CloseStream(kOther));
  EXPECT_EQ(PictureCount(kPort), ps.frames);
  EXPECT_EQ(PictureCount(kOther), ts.frames);
}

void M4CALL IgnorePicture(int32_t, const uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t,
                          int32_t) {}

// Any function, any port, any order, from several threads at once: every
// call returns, and the ports close afterwards.
TEST_F(DecoderApiTest, CallsInAnyOrderFromManyThreadsNeverHang) {
  const TestStream& stream = Stream(StreamKind::kTransportH264);
  const std::string bitmap = dir_.path() + "any.bmp";
  std::vector<std::thread> callers;
  for (unsigned seed = 1; seed <= 4; ++seed) {
    callers.emplace_back([&, seed] {
      std::mt19937 random(seed);
      const RECT rect{0, 0, 100, 100};
      const std::vector<uint8_t> frame(16 * 16 * 3 / 2, 90);
      for (int call = 0; call < 1500; ++call) {
        const auto port = static_cast<int32_t>(random() % 5) + 20;
        const size_t offset = (random() % 64) * kBlock % stream.payload.size();
        int32_t width = 0;
        int32_t height = 0;
        switch (random() % 16) {
          case 0:
            PlayM4_OpenStream(port, stream.header.data(), 64,
                              static_cast<uint32_t>(8192 + random() % 60000));
            break;
          case 1:
            PlayM4_Play(port, nullptr);
            break;
          case 2:
            PlayM4_InputData(
                port, stream.payload.data() + offset,
                static_cast<uint32_t>(std::min(kBlock, stream.payload.size() - offset)));
            break;
          case 3:
            PlayM4_Pause(port, random() % 2);
            break;
          case 4:
            PlayM4_Fast(port);
            break;
          case 5:
            PlayM4_Slow(port);
            break;
          case 6:
            PlayM4_OneByOne(port);
            break;
          case 7:
            PlayM4_ResetSourceBuffer(port);
            break;
          case 8:
            PlayM4_SetDisplayCallBack(port, random() % 2 ? &IgnorePicture : nullptr);
            break;
          case 9:
            PlayM4_GetPictureSize(port, &width, &height);
            break;
          case 10:
            PlayM4_Stop(port);
            break;
          case 11:
            if (random() % 8 == 0) PlayM4_CloseStream(port);
            break;
          case 12:
            PlayM4_SetDisplayRegion(port, 1, &rect, nullptr, random() % 2);
            break;
          case 13:
            PlayM4_ThrowBFrameNum(port, random() % 4);
            break;
          case 14:
            PlayM4_SetStreamOpenMode(port, static_cast<int32_t>(random() % 3));
            break;
          default:
            PlayM4_ConvertToBmpFile(frame.data(), static_cast<int32_t>(frame.size()), 16, 16, 1,
                                    bitmap.c_str());
            PlayM4_RefreshPlay(port);
            PlayM4_GetSourceBufferRemain(port);
            PlayM4_GetLastError(port);
            break;
        }
      }
    });
  }
  for (std::thread& caller : callers) caller.join();
  for (int32_t port = 20; port < 25; ++port) {
    PlayM4_SetDisplayCallBack(port, nullptr);
    PlayM4_CloseStream(port);
    PlayM4_ThrowBFrameNum(port, 0);
    PlayM4_SetStreamOpenMode(port, kLiveMode);
    EXPECT_FALSE(PlayM4_Play(port, nullptr));
    EXPECT_EQ(PlayM4_GetLastError(port), 2);
  }
}

}  // namespace
}  // namespace tests_ffmpeg
