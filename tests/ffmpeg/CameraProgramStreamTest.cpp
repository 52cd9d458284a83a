// Program streams as cameras send them (see CameraProgramStream.h): H.264
// and H.265, one PES per picture and one per NAL unit, G.711 A-law and
// mu-law. Every picture must match what the ffmpeg tool decodes from the
// same bytes, and the sound must be heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <thread>

#include "PictureLog.h"
#include "StoredStreams.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {
namespace {

constexpr int32_t kPort = 9;
constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;
constexpr int kFrames = kCameraLayoutFrames;
// 16-bit stereo at 48 kHz, as the sound is written.
constexpr size_t kOutputBytesPerSecond = 48000 * 2 * 2;

const TestStream& CameraStream(const CameraLayoutCase& tested) {
  static tests::TempDirectory dir;
  static std::map<std::string, TestStream> made;
  const std::string key = std::string(tested.name) + (tested.layout.streamMap ? "" : " unmapped");
  auto found = made.find(key);
  if (found == made.end()) {
    found = made.emplace(key, MakeCameraProgramStream(tested.layout, kFrames, dir)).first;
  }
  return found->second;
}

std::string HeaderName(const std::vector<uint8_t>& header, size_t at) {
  return std::string(reinterpret_cast<const char*>(header.data() + at));
}

class CameraProgramTest : public ::testing::TestWithParam<CameraLayoutCase> {
 protected:
  void SetUp() override { SetVariable("KELO_M4_CLOCK", "virtual"); }
  void TearDown() override {
    SetVariable("KELO_M4_AUDIO_FILE", nullptr);
    PlayM4_StopSound();
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
    PlayM4_SetStreamOpenMode(kPort, kLiveMode);
  }

  // Plays |payload| with the sound on into |soundFile|; answers the MD5s of
  // the pictures shown once |expected| of them are.
  std::vector<std::string> Play(const std::vector<uint8_t>& header,
                                const std::vector<uint8_t>& payload, int32_t mode, size_t expected,
                                const std::string& soundFile) {
    SetVariable("KELO_M4_AUDIO_FILE", soundFile.c_str());
    EXPECT_TRUE(PlayM4_SetStreamOpenMode(kPort, mode));
    EXPECT_TRUE(PlayM4_OpenStream(kPort, header.data(), 64, kBufferSize));
    EXPECT_TRUE(PlayM4_SetVolume(kPort, 65535));
    EXPECT_TRUE(PlayM4_PlaySound(kPort));
    EXPECT_TRUE(LogPictures(kPort));
    EXPECT_TRUE(PlayM4_Play(kPort, nullptr));
    EXPECT_TRUE(FeedAll(kPort, payload, kBlock));
    EXPECT_TRUE(WaitForPictures(kPort, static_cast<int>(expected)))
        << PictureCount(kPort) << " of " << expected;
    EXPECT_TRUE(PlayM4_CloseStream(kPort));
    return PictureMd5s(kPort);
  }

  // Plays |stream| live from |permille| of its payload on: every picture as
  // the tool decodes the same bytes.
  void PlayJoined(const TestStream& stream, int permille, const std::string& soundFile) {
    const std::vector<uint8_t> rest(
        stream.payload.begin() + static_cast<ptrdiff_t>(JoinPoint(stream, permille)),
        stream.payload.end());
    const std::string piece = dir_.path() + "piece.mpg";
    WriteFile(piece, rest.data(), rest.size() - kMarkerBytes);
    const std::vector<std::string> expected = ToolPictureMd5s(piece, "mpeg");
    ASSERT_GT(expected.size(), 0u);
    EXPECT_EQ(Play(stream.header, rest, kLiveMode, expected.size(), soundFile), expected);
  }

  // The RMS of what was heard; |seconds| of it expected.
  static double Heard(const std::string& soundFile, double seconds) {
    const std::vector<uint8_t> bytes = ReadFile(soundFile);
    const auto expected = static_cast<double>(kOutputBytesPerSecond) * seconds;
    EXPECT_GT(static_cast<double>(bytes.size()), 0.85 * expected) << soundFile;
    EXPECT_LT(static_cast<double>(bytes.size()), 1.1 * expected) << soundFile;
    double sum = 0;
    const size_t count = bytes.size() / 2;
    for (size_t i = 0; i < count; ++i) {
      const auto sample = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
      sum += static_cast<double>(sample) * sample;
    }
    return count == 0 ? 0 : std::sqrt(sum / static_cast<double>(count));
  }

  tests::TempDirectory dir_;
};

TEST_P(CameraProgramTest, HeaderNamesTheVideoAndTheG711Law) {
  const TestStream& stream = CameraStream(GetParam());
  EXPECT_EQ(HeaderName(stream.header, 8), "mpeg");
  EXPECT_EQ(HeaderName(stream.header, 24),
            GetParam().layout.video == CameraVideo::kH264 ? "h264" : "hevc");
  EXPECT_EQ(HeaderName(stream.header, 40), GetParam().headerAudio);
}

TEST_P(CameraProgramTest, EveryPictureAsTheToolDecodesItAndTheSoundHeardInBothModes) {
  const TestStream& stream = CameraStream(GetParam());
  const std::vector<std::string> expected = ToolPictureMd5s(stream.mediaFile, "mpeg");
  ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
  for (int32_t mode : {kLiveMode, kFileMode}) {
    SCOPED_TRACE(mode == kLiveMode ? "live" : "file");
    const std::string sound = dir_.path() + "sound" + std::to_string(mode) + ".raw";
    EXPECT_EQ(Play(stream.header, stream.payload, mode, expected.size(), sound), expected);
    // The tool's tone at full volume, an eighth of the range at its peak.
    EXPECT_GT(Heard(sound, kFrames * GetParam().layout.frameMillis / 1000.0), 1000.0);
  }
}

TEST_P(CameraProgramTest, JoinedMidStreamPlaysFromTheNextKeyPictureWithSound) {
  const std::string sound = dir_.path() + "joined.raw";
  PlayJoined(CameraStream(GetParam()), kCameraLayoutJoinPermille, sound);
  // Sound from the join on, pictures or not.
  EXPECT_GT(Heard(sound, kFrames * 0.63 * GetParam().layout.frameMillis / 1000.0), 1000.0);
}

// A camera that sends no map: the header's name binds the law.
TEST_P(CameraProgramTest, WithoutAMapTheLawTheHeaderNamesIsHeard) {
  CameraLayoutCase unmapped = GetParam();
  unmapped.layout.streamMap = false;
  const TestStream& stream = CameraStream(unmapped);
  std::vector<uint8_t> header = stream.header;
  std::fill(header.begin() + 40, header.begin() + 56, 0);
  const std::string law = GetParam().headerAudio;
  std::copy(law.begin(), law.end(), header.begin() + 40);
  const std::string sound = dir_.path() + "unmapped.raw";
  EXPECT_EQ(Play(header, stream.payload, kLiveMode, kFrames, sound),
            ToolPictureMd5s(stream.mediaFile, "mpeg"));
  EXPECT_GT(Heard(sound, kFrames * GetParam().layout.frameMillis / 1000.0), 1000.0);
}

// A sound packet's or a map's length damaged to the largest, where they
// take a few hundred bytes, fed live: no picture lost behind it.
TEST_P(CameraProgramTest, ADamagedSoundOrMapLengthCostsNoPicture) {
  const TestStream& stream = CameraStream(GetParam());
  for (const uint8_t id : {uint8_t{0xC0}, uint8_t{0xBC}}) {
    std::vector<uint8_t> damaged = stream.payload;
    const uint8_t start[] = {0, 0, 1, id};
    const auto packet = std::search(damaged.begin() + static_cast<ptrdiff_t>(damaged.size() / 3),
                                    damaged.end(), std::begin(start), std::end(start));
    ASSERT_NE(packet, damaged.end());
    packet[4] = packet[5] = 0xFF;
    EXPECT_EQ(Play(stream.header, damaged, kLiveMode, kFrames, dir_.path() + "damaged.raw"),
              ToolPictureMd5s(stream.mediaFile, "mpeg"))
        << (id == 0xC0 ? "sound" : "map");
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CameraProgramTest, ::testing::ValuesIn(kCameraLayoutCases),
                         ::testing::PrintToStringParamName());

// Pictures that go on in more PES packets, as cameras cut their key pictures
// at least: from the start and from joins within a group of pictures, as
// every live join and restart is.
class CutPictureTest : public CameraProgramTest {};

TEST_P(CutPictureTest, EveryPictureAsTheToolDecodesItFromTheStartAndJoined) {
  const TestStream& stream = CameraStream(GetParam());
  const std::vector<std::string> expected = ToolPictureMd5s(stream.mediaFile, "mpeg");
  const std::string sound = dir_.path() + "sound.raw";
  for (int32_t mode : {kLiveMode, kFileMode}) {
    SCOPED_TRACE(mode == kLiveMode ? "live" : "file");
    EXPECT_EQ(Play(stream.header, stream.payload, mode, expected.size(), sound), expected);
  }
  for (int permille : kCutJoinsPermille) {
    SCOPED_TRACE("joined at " + std::to_string(permille) + " permille");
    PlayJoined(stream, permille, sound);
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, CutPictureTest, ::testing::ValuesIn(kCutPictureCases),
                         ::testing::PrintToStringParamName());

// A camera behind a network that stalls: the data of three seconds comes
// all at once when it resumes, on the real clock. Within a second of that
// the pictures are back at the live edge (shown as soon as their data is
// in, not with the stall's delay kept), and every picture shown is one the
// tool decodes, in its order.
TEST(CameraStallTest, BackAtTheLiveEdgeWithinASecondOfTheBurst) {
  constexpr int kPictures = kCameraStallFrames;
  constexpr int kStallFrom = 50;
  constexpr int kStallTo = 125;
  constexpr int kCaughtUpBy = kStallTo + 25;
  constexpr auto kLatest = std::chrono::milliseconds(200);
  SetVariable("KELO_M4_CLOCK", nullptr);
  tests::TempDirectory dir;
  const TestStream stream = MakeCameraProgramStream(CameraLayout{}, kPictures, dir);
  const std::vector<std::string> tool = ToolPictureMd5s(stream.mediaFile, "mpeg");
  ASSERT_EQ(tool.size(), static_cast<size_t>(kPictures));
  std::vector<size_t> packs;  // where each picture's pack begins
  for (size_t at = 0; at + 4 <= stream.payload.size() - kMarkerBytes; ++at) {
    const uint8_t* bytes = stream.payload.data() + at;
    if (bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0xBA) packs.push_back(at);
  }
  ASSERT_EQ(packs.size(), static_cast<size_t>(kPictures));
  packs.push_back(stream.payload.size() - kMarkerBytes);

  ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, kLiveMode));
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, kBufferSize));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(PlayM4_Play(kPort, nullptr));
  std::vector<std::chrono::steady_clock::time_point> fedAt(kPictures);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPictures; ++i) {
    const int dueAt = i >= kStallFrom && i < kStallTo ? kStallTo : i;
    std::this_thread::sleep_until(start + dueAt * std::chrono::milliseconds(kTestFrameMillis));
    const std::vector<uint8_t> pack(stream.payload.begin() + static_cast<ptrdiff_t>(packs[i]),
                                    stream.payload.begin() + static_cast<ptrdiff_t>(packs[i + 1]));
    ASSERT_TRUE(FeedAll(kPort, pack, kBlock));
    fedAt[i] = std::chrono::steady_clock::now();
  }
  // The last picture waits for the idle delay.
  ASSERT_TRUE(WaitForPictures(kPort, kPictures - kCaughtUpBy));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(PlayM4_CloseStream(kPort));

  const std::vector<std::string> shown = PictureMd5s(kPort);
  const std::vector<std::chrono::steady_clock::time_point> shownAt = ShownTimes(kPort);
  auto next = tool.begin();
  for (size_t i = 0; i < shown.size(); ++i) {
    const auto found = std::find(next, tool.end(), shown[i]);
    ASSERT_NE(found, tool.end()) << "shown picture " << i << " is not the tool's next";
    const auto index = static_cast<size_t>(found - tool.begin());
    next = found + 1;
    if (index < kCaughtUpBy || index + 1 == tool.size()) continue;
    EXPECT_LT(shownAt[i] - fedAt[index], kLatest) << "picture " << index;
  }
  EXPECT_EQ(next, tool.end());
}

}  // namespace
}  // namespace tests_ffmpeg
