// Kelo820_PlaySDK.dll with the FFmpeg decoder's m4playerApi.dll beside it,
// under wine: the sample streams (made on the host by
// scripts/make-sample-streams.sh into the directory KELO_M4_TEST_STREAMS
// names) played through the client interface, every command, captures
// compared with the Linux build's, several channels from several threads,
// damaged streams, and the player released with channels open. Pacing runs
// on the decoder's virtual clock.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ClientSystem.h"
#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"
#include "SampleCapture.h"
#include "TestFiles.h"
#include "WaitFor.h"
#include "m4playerApi.h"

namespace {

using tests::WaitFor;

using kelo820::kOk;
using tests_ffmpeg::FeedPayload;
using tests_ffmpeg::SampleStream;

constexpr int32_t kFileMode = 1;
constexpr int kWidth = 352;
constexpr int kHeight = 288;

// A capture writes the next picture shown, or says none came in its window.
::testing::Matcher<int32_t> CaptureResult() {
  return ::testing::AnyOf(kOk, kelo820::kNoPictureCaptured);
}

std::string StreamDirectory() {
  const char* dir = std::getenv("KELO_M4_TEST_STREAMS");
  return dir == nullptr ? "" : dir;
}

std::vector<std::string> SampleStreams() {
  std::vector<std::string> paths;
  if (StreamDirectory().empty()) return paths;
  for (const auto& entry : std::filesystem::directory_iterator(StreamDirectory())) {
    if (entry.path().extension() == ".kst") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string Stem(const std::string& path) { return std::filesystem::path(path).stem().string(); }

// A 24-bit BMP as written to disk: size and the pixel rows as stored.
struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::string pixels;
};

bool ReadBitmap(const std::string& path, Bitmap* bitmap) {
  const std::string file = tests::ReadBytes(path);
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0) return false;
  std::memcpy(&bitmap->width, file.data() + 18, 4);
  std::memcpy(&bitmap->height, file.data() + 22, 4);
  uint32_t offset = 0;
  std::memcpy(&offset, file.data() + 10, 4);
  const size_t rowBytes = (static_cast<size_t>(bitmap->width) * 3 + 3) & ~size_t{3};
  if (offset > file.size() ||
      file.size() - offset != rowBytes * static_cast<size_t>(std::abs(bitmap->height))) {
    return false;
  }
  bitmap->pixels = file.substr(offset);
  return true;
}

class Win32PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SampleStreams().empty()) GTEST_SKIP() << "KELO_M4_TEST_STREAMS names no sample streams";
    if (!drive_.claimed()) GTEST_SKIP() << drive_.root() << "q81 belongs to this machine";
    drive_.Configure(scratch_.path() + "trace/");
    _putenv("KELO_M4_CLOCK=virtual");
    player_ = CreateSinglePlayerDll();
    ASSERT_NE(player_, nullptr);
    ASSERT_EQ(player_->Play_InitDDraw(nullptr), kOk);
  }
  void TearDown() override {
    if (player_ != nullptr) {
      for (int32_t channel = 0; channel < kelo820::kChannelCount; ++channel) {
        player_->Play_CloseStream(channel);
      }
      player_->Play_ReleaseDDraw();
      ReleaseSinglePlayerDll(player_);
    }
    _putenv("KELO_M4_CLOCK=");
  }

  SampleStream Read(const std::string& path) {
    uint32_t headerLength = 0;
    EXPECT_EQ(player_->Play_GetHeadLen(&headerLength), kOk);
    SampleStream stream = tests_ffmpeg::ReadSampleStream(path, headerLength);
    EXPECT_FALSE(stream.payload.empty()) << path;
    return stream;
  }

  int32_t Open(int32_t channel, const SampleStream& stream) {
    const int32_t result = player_->Play_SetOpenMode(channel, kFileMode);
    if (result != kOk) return result;
    return player_->Play_OpenStream(nullptr, channel, stream.header.data(),
                                    static_cast<uint32_t>(stream.header.size()), 0);
  }

  // Captures a picture into |path| and checks it is a whole BMP of the
  // sample streams' size. A capture before the first picture is shown
  // writes nothing: asked again, as a client would.
  void ExpectCapture(int32_t channel, const std::string& path) {
    std::filesystem::remove(path);
    Bitmap bitmap;
    ASSERT_TRUE(WaitFor(
        [&] {
          EXPECT_THAT(player_->Play_GetPicture(channel, path.c_str()), CaptureResult());
          return ReadBitmap(path, &bitmap);
        },
        std::chrono::seconds(20)))
        << path;
    EXPECT_EQ(bitmap.width, kWidth);
    EXPECT_EQ(std::abs(bitmap.height), kHeight);
  }

  tests::TempDirectory scratch_;
  tests::ClientDrive drive_{scratch_.path()};
  SinglePlayer* player_ = nullptr;
};

// Each sample stream through open, feed, every play command, volume, display
// region, buffer operations, capture and close, fed from a thread of its own
// as a client feeds.
TEST_F(Win32PlayerTest, PlaysEverySampleStreamThroughEveryOperation) {
  constexpr int32_t kChannel = 5;
  for (const std::string& path : SampleStreams()) {
    SCOPED_TRACE(path);
    const SampleStream stream = Read(path);
    ASSERT_EQ(Open(kChannel, stream), kOk);
    std::atomic<bool> stop{false};
    std::atomic<int32_t> fed{-1};
    std::thread feeder([&] { fed = FeedPayload(*player_, kChannel, stream.payload, stop); });
    const std::string bmp = scratch_.path() + Stem(path) + ".bmp";
    ExpectCapture(kChannel, bmp);

    int32_t width = 0;
    int32_t height = 0;
    EXPECT_EQ(player_->Play_GetPictureSize(kChannel, &width, &height), kOk);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    for (int32_t command : {kelo820::kPaused, kelo820::kFast1, kelo820::kFast2, kelo820::kFast3,
                            kelo820::kSlow1, kelo820::kSlow2, kelo820::kSlow3, kelo820::kStepping,
                            kelo820::kStepping, kelo820::kStepping, kelo820::kPlaying}) {
      EXPECT_EQ(player_->Play_PlayState(kChannel, command), kOk) << "command " << command;
      int32_t state = 0;
      EXPECT_EQ(player_->Play_GetPlayState(kChannel, &state), kOk);
      EXPECT_EQ(state, command);
    }
    int32_t volume = 0;
    EXPECT_EQ(player_->Play_SetVolume(kChannel, 60), kOk);
    EXPECT_EQ(player_->Play_GetVolume(kChannel, &volume), kOk);
    EXPECT_EQ(volume, 60);
    EXPECT_EQ(player_->Play_SetVolume(kChannel, 0), kOk);

    const RECT quarter{kWidth / 2, kHeight / 2, kWidth, kHeight};
    RECT region{};
    EXPECT_EQ(player_->Play_SetDispRegion(kChannel, 1, &quarter), kOk);
    EXPECT_EQ(player_->Play_GetDispRegion(kChannel, &region), kOk);
    EXPECT_EQ(region.left, quarter.left);
    EXPECT_EQ(region.bottom, quarter.bottom);
    EXPECT_EQ(player_->Play_SetDispRegion(kChannel, 0, &quarter), kOk);
    EXPECT_EQ(player_->Play_RefreshPlay(kChannel), kOk);

    uint32_t waiting = 0;
    EXPECT_EQ(player_->Play_ClearBuffer(kChannel), kOk);
    EXPECT_EQ(player_->Play_GetBufferRemainDataSize(kChannel, &waiting), kOk);
    EXPECT_LE(waiting, 51200u);
    // Decoding goes on after the buffer was emptied.
    {
      SCOPED_TRACE("after the buffer was cleared");
      ExpectCapture(kChannel, bmp);
    }

    feeder.join();
    EXPECT_EQ(fed, kOk);
    EXPECT_EQ(player_->Play_CloseStream(kChannel), kOk);
  }
}

// The last picture of each stream, played whole, is the Linux build's
// (scripts/test-windows.sh captures it there beside the stream, with the
// same steps): same size, every colour within 1.
TEST_F(Win32PlayerTest, CapturesTheLinuxBuildsPictures) {
  int compared = 0;
  for (const std::string& path : SampleStreams()) {
    SCOPED_TRACE(path);
    const std::string reference = StreamDirectory() + "/" + Stem(path) + ".bmp";
    Bitmap linux;
    if (!ReadBitmap(reference, &linux)) continue;
    const std::string bmp = scratch_.path() + Stem(path) + ".bmp";
    ASSERT_EQ(tests_ffmpeg::CaptureLastPicture(*player_, 2, path, bmp), "");
    Bitmap windows;
    ASSERT_TRUE(ReadBitmap(bmp, &windows));
    ASSERT_EQ(windows.width, linux.width);
    ASSERT_EQ(windows.height, linux.height);
    ASSERT_EQ(windows.pixels.size(), linux.pixels.size());
    size_t differing = 0;
    int largest = 0;
    for (size_t at = 0; at < windows.pixels.size(); ++at) {
      const int difference = std::abs(static_cast<uint8_t>(windows.pixels[at]) -
                                      static_cast<uint8_t>(linux.pixels[at]));
      largest = std::max(largest, difference);
      if (difference > 1) ++differing;
    }
    EXPECT_EQ(differing, 0u) << "largest difference " << largest;
    ++compared;
  }
  if (compared == 0) GTEST_SKIP() << "no pictures of the Linux build beside the streams";
}

// Captures, whose BMP is written from the decoder's display thread, racing
// closes and reopens of their channel.
TEST_F(Win32PlayerTest, ClosesWhileTheCaptureCallbackRuns) {
  constexpr int32_t kChannel = 11;
  const SampleStream stream = Read(SampleStreams().front());
  const std::string bmp = scratch_.path() + "racing.bmp";
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(Open(kChannel, stream), kOk);
    std::atomic<bool> stop{false};
    std::thread feeder([&] { FeedPayload(*player_, kChannel, stream.payload, stop); });
    ExpectCapture(kChannel, bmp);
    std::thread capturer([&] {
      while (!stop) {
        const int32_t result = player_->Play_GetPicture(kChannel, bmp.c_str());
        // Closed meanwhile: no stream to capture from.
        EXPECT_THAT(result, ::testing::AnyOf(CaptureResult(), kelo820::kOutOfOrder));
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * round));
    EXPECT_EQ(player_->Play_CloseStream(kChannel), kOk);
    stop = true;
    capturer.join();
    feeder.join();
  }
}

// Four channels, each fed from a thread of its own while another thread
// drives it through the play commands, volume, region, buffer operations
// and captures; all four play on and capture at the end.
TEST_F(Win32PlayerTest, FourChannelsFedAndDrivenFromEightThreads) {
  const std::vector<std::string> paths = SampleStreams();
  std::vector<SampleStream> streams;
  for (int32_t channel = 0; channel < 4; ++channel) {
    streams.push_back(Read(paths[static_cast<size_t>(channel) % paths.size()]));
    ASSERT_EQ(Open(channel, streams.back()), kOk);
  }
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int32_t channel = 0; channel < 4; ++channel) {
    threads.emplace_back([&, channel] {
      EXPECT_EQ(FeedPayload(*player_, channel, streams[channel].payload, stop), kOk);
    });
    threads.emplace_back([&, channel] {
      const std::string bmp = scratch_.path() + "control" + std::to_string(channel) + ".bmp";
      const RECT corner{0, 0, kWidth / 2, kHeight / 2};
      int32_t width = 0;
      int32_t height = 0;
      uint32_t waiting = 0;
      for (int round = 0; round < 4; ++round) {
        for (int32_t command : {kelo820::kPaused, kelo820::kFast2, kelo820::kSlow1,
                                kelo820::kStepping, kelo820::kStepping, kelo820::kPlaying}) {
          EXPECT_EQ(player_->Play_PlayState(channel, command), kOk);
        }
        EXPECT_EQ(player_->Play_SetVolume(channel, 10 + round), kOk);
        if (player_->Play_GetPictureSize(channel, &width, &height) == kOk) {
          EXPECT_EQ(player_->Play_SetDispRegion(channel, 1, &corner), kOk);
        }
        EXPECT_EQ(player_->Play_GetBufferRemainDataSize(channel, &waiting), kOk);
        EXPECT_THAT(player_->Play_GetPicture(channel, bmp.c_str()), CaptureResult());
        if (round == 2) {
          EXPECT_EQ(player_->Play_ClearBuffer(channel), kOk);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  // A clear that came after the whole stream was fed, before its first
  // picture was decoded, left the channel nothing to show: each is cleared
  // and fed whole once more before its last capture.
  const std::atomic<bool> never{false};
  for (int32_t channel = 0; channel < 4; ++channel) {
    SCOPED_TRACE(channel);
    EXPECT_EQ(player_->Play_ClearBuffer(channel), kOk);
    EXPECT_EQ(FeedPayload(*player_, channel, streams[channel].payload, never), kOk);
    ExpectCapture(channel, scratch_.path() + "end" + std::to_string(channel) + ".bmp");
    EXPECT_EQ(player_->Play_CloseStream(channel), kOk);
  }
}

// Streams the Linux decoder survives: cut short, with bytes flipped, a
// header that names another container and codec than the data, data
// stalled past the idle delay. Each is fed whole (refusals allowed), the
// channel answers and closes, and a good stream plays on it afterwards.
TEST_F(Win32PlayerTest, SurvivesDamagedStreams) {
  constexpr int32_t kChannel = 20;
  const std::vector<std::string> paths = SampleStreams();
  const SampleStream good = Read(paths.front());
  const SampleStream other = Read(paths.back());
  struct Damage {
    const char* name;
    std::function<SampleStream()> make;
    int stallMillis;
  };
  const std::vector<Damage> damages = {
      {"cut in the middle",
       [&] {
         SampleStream cut = good;
         cut.payload.resize(cut.payload.size() / 2 + 333);
         return cut;
       },
       0},
      {"bytes flipped",
       [&] {
         SampleStream flipped = good;
         for (size_t at = 100; at < flipped.payload.size(); at += 997) flipped.payload[at] ^= 0xFF;
         return flipped;
       },
       0},
      {"header of another stream",
       [&] {
         SampleStream mismatched = good;
         mismatched.header = other.header;
         return mismatched;
       },
       0},
      {"stalled", [&] { return good; }, 1500},
  };
  const std::string bmp = scratch_.path() + "damaged.bmp";
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    const SampleStream stream = damage.make();
    ASSERT_EQ(Open(kChannel, stream), kOk);
    std::atomic<bool> stop{false};
    const size_t half = stream.payload.size() / 2;
    const std::vector<uint8_t> first(stream.payload.begin(), stream.payload.begin() + half);
    FeedPayload(*player_, kChannel, first, stop);
    std::this_thread::sleep_for(std::chrono::milliseconds(damage.stallMillis));
    FeedPayload(*player_, kChannel, stream.payload, stop, half);
    int32_t width = 0;
    int32_t height = 0;
    player_->Play_GetPictureSize(kChannel, &width, &height);
    uint32_t waiting = 0;
    EXPECT_EQ(player_->Play_GetBufferRemainDataSize(kChannel, &waiting), kOk);
    EXPECT_THAT(player_->Play_GetPicture(kChannel, bmp.c_str()), CaptureResult());
    EXPECT_EQ(player_->Play_CloseStream(kChannel), kOk);

    ASSERT_EQ(Open(kChannel, good), kOk);
    std::thread feeder([&] { FeedPayload(*player_, kChannel, good.payload, stop); });
    ExpectCapture(kChannel, bmp);
    stop = true;
    feeder.join();
    EXPECT_EQ(player_->Play_CloseStream(kChannel), kOk);
  }
}

// A client that releases the player with channels playing: the release
// returns, the decoder's ports close afterwards, and a new player opens
// the same channels again.
TEST_F(Win32PlayerTest, ReleasesThePlayerWithChannelsOpen) {
  const SampleStream stream = Read(SampleStreams().front());
  std::atomic<bool> stop{false};
  for (int32_t channel = 0; channel < 3; ++channel) {
    ASSERT_EQ(Open(channel, stream), kOk);
    const std::vector<uint8_t> some(stream.payload.begin(), stream.payload.begin() + 40000);
    EXPECT_EQ(FeedPayload(*player_, channel, some, stop), kOk);
  }
  EXPECT_EQ(player_->Play_ReleaseDDraw(), kOk);
  ReleaseSinglePlayerDll(player_);
  player_ = nullptr;
  // The new player knows nothing of the old one's channels; the ports are
  // still open in the decoder, which closes them when asked.
  for (int32_t port = 0; port < 3; ++port) EXPECT_EQ(PlayM4_CloseStream(port), 1);

  player_ = CreateSinglePlayerDll();
  ASSERT_NE(player_, nullptr);
  ASSERT_EQ(player_->Play_InitDDraw(nullptr), kOk);
  for (int32_t channel = 0; channel < 3; ++channel) {
    ASSERT_EQ(Open(channel, stream), kOk);
    std::thread feeder([&] { FeedPayload(*player_, channel, stream.payload, stop); });
    ExpectCapture(channel, scratch_.path() + "again.bmp");
    stop = true;
    feeder.join();
    stop = false;
    EXPECT_EQ(player_->Play_CloseStream(channel), kOk);
  }
}

// A client's directory with the player and our decoder but without one of
// FFmpeg's DLLs: the player loads (the decoder delay-loads FFmpeg) and
// hands out the player object; opening a channel fails with the decoder's
// error 24 (result 26, logged by number), and the decoder names the missing
// DLL to the debugger. With all of them the same stream opens.
TEST(Win32PlayerLoadTest, AMissingFfmpegDllFailsTheOpenAndIsNamed) {
  const std::vector<std::string> streams = SampleStreams();
  if (streams.empty()) GTEST_SKIP() << "KELO_M4_TEST_STREAMS names no sample streams";
  tests::TempDirectory scratch;
  tests::ClientDrive drive(scratch.path());
  if (!drive.claimed()) GTEST_SKIP() << drive.root() << "q81 belongs to this machine";
  const std::string here =
      std::filesystem::path(tests::BesideThisProgram("x")).parent_path().string();
  const std::string client = KELO_LOAD_CLIENT;
  constexpr int32_t kLibraryUnavailable = 24;
  // (Without m4playerApi.dll itself the loader would find the scripted
  // decoder along the tests' WINEPATH.)
  for (const char* missing : {"", "avcodec-59.dll", "swscale-6.dll"}) {
    SCOPED_TRACE(missing);
    tests::TempDirectory dir;
    drive.Configure(dir.path() + "trace/");
    std::set<std::string> copied;
    for (const auto& entry : std::filesystem::directory_iterator(here)) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".dll" || name == missing) continue;
      std::filesystem::copy_file(entry.path(), dir.path() + name);
      copied.insert(name);
    }
    ASSERT_EQ(copied.count("Kelo820_PlaySDK.dll"), 1u);
    std::filesystem::copy_file(here + "/" + client, dir.path() + client);
    const std::string report = dir.path() + "report.txt";
    const tests::ChildEnd end = tests::RunChild(dir.path() + client, {streams.front(), report}, 60);
    ASSERT_TRUE(end.started);
    EXPECT_TRUE(end.inTime);
    ASSERT_TRUE(end.exited) << tests::Describe(end);
    ASSERT_EQ(end.status, 0u) << tests::Describe(end);
    const std::string said = tests::ReadBytes(report);
    const int32_t opened = std::atoi(said.c_str());
    const std::vector<tests::LogEntry> errors =
        tests::ReadLog(dir.path() + "trace/ZQ_Player_Error.log");
    if (missing[0] == '\0') {
      EXPECT_EQ(opened, kOk) << said;
      EXPECT_THAT(errors, ::testing::IsEmpty());
      continue;
    }
    EXPECT_EQ(opened, kelo820::kUnknownDecoderError) << said;
    EXPECT_THAT(said, ::testing::HasSubstr(std::string(missing) + " could not be loaded"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].value[0], std::to_string(kLibraryUnavailable));
    EXPECT_THAT(errors[0].value[2], ::testing::HasSubstr("PlayM4_OpenStream"));
  }
}

}  // namespace
