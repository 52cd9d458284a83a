// Sound goes to the file named by KELO_M4_AUDIO_FILE instead of a device:
// what the volume does to it can be measured.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "PictureLog.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

constexpr int32_t kPort = 3;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", "virtual"); }
  void TearDown() override {
    PlayM4_StopSound();
    PlayM4_CloseStream(kPort);
  }

  // Plays the stream with its 440 Hz tone, sound on from the start or from
  // the middle; answers the RMS of what was heard.
  double PlayAndMeasure(uint16_t volume, const std::string& file, bool soundFromTheMiddle = false) {
    SetVariable("KELO_M4_AUDIO_FILE", file.c_str());
    const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
    EXPECT_TRUE(PlayM4_SetStreamOpenMode(kPort, 1));
    EXPECT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
    EXPECT_TRUE(PlayM4_SetVolume(kPort, volume));
    EXPECT_TRUE(LogPictures(kPort));
    EXPECT_TRUE(PlayM4_Play(kPort, nullptr));
    const size_t middle = soundFromTheMiddle ? stream.payload.size() / 2 : 0;
    const std::vector<uint8_t> firstHalf(stream.payload.begin(), stream.payload.begin() + middle);
    const std::vector<uint8_t> rest(stream.payload.begin() + middle, stream.payload.end());
    EXPECT_TRUE(FeedAll(kPort, firstHalf, 4096));
    if (soundFromTheMiddle) {
      EXPECT_TRUE(WaitForPictures(kPort, 1));
    }
    EXPECT_TRUE(PlayM4_PlaySound(kPort));
    EXPECT_TRUE(FeedAll(kPort, rest, 4096));
    EXPECT_TRUE(WaitForPictures(kPort, stream.frames));
    EXPECT_TRUE(PlayM4_CloseStream(kPort));
    SetVariable("KELO_M4_AUDIO_FILE", nullptr);

    const std::vector<uint8_t> bytes = ReadFile(file);
    const size_t count = bytes.size() / 2;
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
      const auto sample = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
      sum += static_cast<double>(sample) * sample;
    }
    // At least a second of 48 kHz stereo (half a second from the middle).
    EXPECT_GT(count, (soundFromTheMiddle ? 1u : 2u) * 48000) << file;
    return count == 0 ? 0 : std::sqrt(sum / static_cast<double>(count));
  }

  tests::TempDirectory dir_;
};

TEST_F(SoundTest, HalfVolumeHalvesTheAmplitude) {
  const double full = PlayAndMeasure(65535, dir_.path() + "full.raw");
  const double half = PlayAndMeasure(32767, dir_.path() + "half.raw");
  ASSERT_GT(full, 1000.0);
  EXPECT_NEAR(half / full, 32767.0 / 65535.0, 0.01);
}

// Sound nobody hears is skipped unread; turned on, it is read again.
TEST_F(SoundTest, SoundTurnedOnWhilePlayingIsHeard) {
  EXPECT_GT(PlayAndMeasure(65535, dir_.path() + "late.raw", true), 1000.0);
}

// G.711 has no stream type in a transport stream: the header's name binds
// it, in both modes.
TEST_F(SoundTest, G711InATransportStreamIsHeardWhenTheHeaderNamesIt) {
  const TestStream& stream = Stream(StreamKind::kMatroskaH264G711);
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(stream.header.data()) + 40), "pcm_alaw");
  for (int32_t mode : {kLiveMode, kFileMode}) {
    const std::string file = dir_.path() + "g711-" + std::to_string(mode) + ".raw";
    SetVariable("KELO_M4_AUDIO_FILE", file.c_str());
    ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, mode));
    ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
    ASSERT_TRUE(PlayM4_PlaySound(kPort));
    ASSERT_TRUE(LogPictures(kPort));
    ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
    ASSERT_TRUE(FeedAll(kPort, stream.payload, 4096));
    ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
    ASSERT_TRUE(PlayM4_CloseStream(kPort));
    SetVariable("KELO_M4_AUDIO_FILE", nullptr);
    // 16-bit stereo at 48 kHz: the tool's muxer ends the sound after about
    // a second and a half of the two.
    const size_t bytesPerSecond = 48000 * 4;
    const size_t heard = ReadFile(file).size();
    EXPECT_GT(heard, bytesPerSecond * 14 / 10) << (mode == kLiveMode ? "live" : "file");
    EXPECT_LE(heard, bytesPerSecond * 2) << (mode == kLiveMode ? "live" : "file");
  }
  PlayM4_SetStreamOpenMode(kPort, kLiveMode);
}

TEST_F(SoundTest, NoSoundUnlessThePortsSoundIsOn) {
  const std::string file = dir_.path() + "silent.raw";
  SetVariable("KELO_M4_AUDIO_FILE", file.c_str());
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
  ASSERT_TRUE(PlayM4_PlaySound(kPort));
  ASSERT_TRUE(PlayM4_StopSound());
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, 4096));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));
  SetVariable("KELO_M4_AUDIO_FILE", nullptr);
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
}  // namespace tests_ffmpeg
