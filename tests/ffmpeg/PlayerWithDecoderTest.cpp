// The player library with the FFmpeg decoder in its place: real streams fed
// through the client interface, for what crosses the two layers (input
// retried against the decoder's read-ahead, steps, capture, errors); the
// decoder's own behaviour is tested on its interface. The decoder's own callback log counts the
// pictures shown; pacing runs on the decoder's virtual clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"
#include "PictureLog.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

using kelo820::kOk;
using kelo820::kPaused;
using kelo820::kPlaying;
using kelo820::kStepping;

constexpr int32_t kChannel = 9;
constexpr size_t kBlock = 4096;

class PlayerWithDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetVariable("KELO_M4_CLOCK", "virtual");
    SetVariable("Q81_DRIVE_ROOT", dir_.path().c_str());
    player_ = CreateSinglePlayerDll();
    ASSERT_NE(player_, nullptr);
    ASSERT_EQ(player_->Play_InitDDraw(nullptr), kOk);
  }
  void TearDown() override {
    PlayM4_SetDisplayCallBack(kChannel, nullptr);
    player_->Play_CloseStream(kChannel);
    player_->Play_ThrowFrame(kChannel, 0);
    player_->Play_ReleaseDDraw();
    ReleaseSinglePlayerDll(player_);
  }

  void Open(const TestStream& stream) {
    ASSERT_EQ(player_->Play_SetOpenMode(kChannel, 1), kOk);
    ASSERT_EQ(player_->Play_OpenStream(nullptr, kChannel, stream.header.data(),
                                       static_cast<uint32_t>(stream.header.size()), 0),
              kOk);
    ASSERT_TRUE(LogPictures(kChannel));
  }

  // A well-behaved client: waits for room rather than lean on the retries.
  void Feed(const std::vector<uint8_t>& bytes, size_t from = 0) {
    for (size_t fed = from; fed < bytes.size();) {
      const auto size = static_cast<uint32_t>(std::min(kBlock, bytes.size() - fed));
      uint32_t waiting = 0;
      ASSERT_EQ(player_->Play_GetBufferRemainDataSize(kChannel, &waiting), kOk);
      if (waiting + size > 51200) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      ASSERT_EQ(player_->Play_InputData(kChannel, bytes.data() + fed, size, 0), kOk);
      fed += size;
    }
  }

  tests::TempDirectory dir_;
  SinglePlayer* player_ = nullptr;
};

TEST_F(PlayerWithDecoderTest, PlaysEveryFrameAndCapturesTheKnownPicture) {
  for (StreamKind kind : {StreamKind::kProgramMpeg2WithAudio, StreamKind::kTransportH264}) {
    const TestStream& stream = Stream(kind);
    Open(stream);
    Feed(stream.payload);
    ASSERT_TRUE(WaitForPictures(kChannel, stream.frames));
    EXPECT_EQ(PictureCount(kChannel), stream.frames);

    int32_t width = 0;
    int32_t height = 0;
    ASSERT_EQ(player_->Play_GetPictureSize(kChannel, &width, &height), kOk);
    EXPECT_EQ(width, kTestWidth);
    EXPECT_EQ(height, kTestHeight);
    // The stream has ended: the capture gets the picture left on screen.
    const std::string file = dir_.path() + "capture.bmp";
    ASSERT_EQ(player_->Play_GetPicture(kChannel, file.c_str()), kOk);
    Bitmap bitmap;
    ASSERT_TRUE(ReadBitmap(file, &bitmap));
    for (const KnownColour& known : KnownColours()) {
      EXPECT_TRUE(Near(bitmap.Pixel(known.x, known.y), known.colour));
    }
    ASSERT_EQ(player_->Play_CloseStream(kChannel), kOk);
  }
}

// A capture that wrote no file says so: the decoder could not write into a
// folder that does not exist (its error 7), or the channel showed nothing.
TEST_F(PlayerWithDecoderTest, ACaptureThatWroteNoFileFails) {
  const TestStream& stream = Stream(StreamKind::kTransportH264);
  constexpr int32_t kIdle = kChannel + 1;  // open, never fed
  ASSERT_EQ(player_->Play_OpenStream(nullptr, kIdle, stream.header.data(),
                                     static_cast<uint32_t>(stream.header.size()), 0),
            kOk);
  const std::string idle = dir_.path() + "idle.bmp";
  EXPECT_EQ(player_->Play_GetPicture(kIdle, idle.c_str()), kelo820::kNoPictureCaptured);
  EXPECT_EQ(player_->Play_CloseStream(kIdle), kOk);

  Open(stream);
  Feed(stream.payload);
  ASSERT_TRUE(WaitForPictures(kChannel, stream.frames));
  const std::string missing = dir_.path() + "no-such-folder/capture.bmp";
  EXPECT_EQ(player_->Play_GetPicture(kChannel, missing.c_str()), 8);
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(std::filesystem::exists(idle));
}

TEST_F(PlayerWithDecoderTest, PausedChannelRefusesInputStepsAndResumes) {
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  Open(stream);
  ASSERT_EQ(player_->Play_PlayState(kChannel, kPaused), kOk);
  size_t fed = 0;
  int32_t result = kOk;
  while (fed < stream.payload.size()) {
    result = player_->Play_InputData(kChannel, stream.payload.data() + fed, kBlock, 0);
    if (result != kOk) break;
    fed += kBlock;
  }
  EXPECT_EQ(result, kelo820::kInputRefused);  // the decoder's buffer full
  EXPECT_EQ(PictureCount(kChannel), 0);

  for (int step = 1; step <= 3; ++step) {
    ASSERT_EQ(player_->Play_PlayState(kChannel, kStepping), kOk);
    ASSERT_TRUE(WaitForPictures(kChannel, step));
    EXPECT_EQ(PictureCount(kChannel), step);
  }
  ASSERT_EQ(player_->Play_PlayState(kChannel, kPlaying), kOk);
  Feed(stream.payload, fed);
  ASSERT_TRUE(WaitForPictures(kChannel, stream.frames));
  EXPECT_EQ(PictureCount(kChannel), stream.frames);
}

TEST_F(PlayerWithDecoderTest, ClosesAStarvedChannelAndReportsDecoderErrors) {
  const TestStream& stream = Stream(StreamKind::kTransportH264);
  Open(stream);
  Feed(std::vector<uint8_t>(stream.payload.begin(), stream.payload.begin() + 30000));
  EXPECT_EQ(player_->Play_CloseStream(kChannel), kOk);

  const std::vector<uint8_t> garbage(64, 0xAB);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, kChannel, garbage.data(), 64, 0), 18);  // no header
  int32_t width = 0;
  int32_t height = 0;
  Open(stream);
  EXPECT_EQ(player_->Play_GetPictureSize(kChannel, &width, &height), kelo820::kOutOfOrder);
}

}  // namespace
}  // namespace tests_ffmpeg
