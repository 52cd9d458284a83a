// The FFmpeg decoder as m4playerApi.dll, under wine: the sample streams
// (made beforehand on the host by scripts/make-sample-streams.sh, into the
// directory named by KELO_M4_TEST_STREAMS) played through the 27 functions,
// captured, and telling the windows that ask of each picture drawn (the
// window output's contract is tested on both systems by WindowTest.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestFiles.h"
#include "TestWindow.h"
#include "WaitFor.h"
#include "m4playerApi.h"

namespace {

using tests::WaitFor;

constexpr int32_t kPort = 3;
constexpr int32_t kLiveMode = 0;
constexpr int32_t kFileMode = 1;
constexpr int kWidth = 352;
constexpr int kHeight = 288;
constexpr uint32_t kChunk = 4096;

std::vector<std::string> SampleStreams() {
  std::vector<std::string> paths;
  const char* dir = std::getenv("KELO_M4_TEST_STREAMS");
  if (dir == nullptr || dir[0] == '\0') return paths;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".kst") paths.push_back(entry.path().string());
  }
  return paths;
}

std::string StreamNamed(const std::string& stem) {
  for (const std::string& path : SampleStreams()) {
    if (std::filesystem::path(path).stem() == stem) return path;
  }
  return "";
}

// The video PES packets of a transport stream: where the first begins, and
// how many there are (a picture each).
struct VideoPes {
  size_t first = std::string::npos;
  int count = 0;
};

VideoPes FindVideoPes(const std::string& ts) {
  constexpr size_t kPacket = 188;
  VideoPes found;
  int videoPid = -1;
  for (size_t at = 0; at + kPacket <= ts.size(); at += kPacket) {
    const auto* packet = reinterpret_cast<const uint8_t*>(ts.data() + at);
    if ((packet[1] & 0x40) == 0 || (packet[3] & 0x10) == 0) continue;  // no unit start
    const size_t payload = (packet[3] & 0x20) != 0 ? 5 + packet[4] : 4;
    if (payload + 4 > kPacket) continue;
    const uint8_t* pes = packet + payload;
    const int pid = (packet[1] & 0x1F) << 8 | packet[2];
    if (videoPid < 0 && pes[0] == 0 && pes[1] == 0 && pes[2] == 1 && (pes[3] & 0xF0) == 0xE0) {
      videoPid = pid;
      found.first = at;
    }
    if (pid == videoPid) ++found.count;
  }
  return found;
}

std::atomic<int> pictures{0};
std::atomic<bool> captured{false};
std::string capturePath;

void M4CALL CountAndCapture(int32_t, const uint8_t* frame, int32_t size, int32_t width,
                            int32_t height, int32_t, int32_t type, int32_t) {
  if (!captured.exchange(true)) {
    PlayM4_ConvertToBmpFile(frame, size, width, height, type, capturePath.c_str());
  }
  ++pictures;
}

// Opens |path| (header, then payload) on kPort in file mode and feeds it all
// from a thread of its own, the input waiting while the decoder is full.
class OpenStream {
 public:
  explicit OpenStream(const std::string& path) {
    const std::string bytes = tests::ReadBytes(path);
    const uint32_t headerLength = PlayM4_GetFileHeadLength();
    EXPECT_GT(bytes.size(), headerLength);
    data_.assign(bytes.begin(), bytes.end());
    EXPECT_EQ(PlayM4_SetStreamOpenMode(kPort, kFileMode), 1);
    opened_ = PlayM4_OpenStream(kPort, data_.data(), headerLength, 1 << 20) == 1;
    EXPECT_TRUE(opened_) << PlayM4_GetLastError(kPort);
  }
  void Feed() {
    feeder_ = std::thread([this] {
      for (size_t at = PlayM4_GetFileHeadLength(); at < data_.size(); at += kChunk) {
        const auto size = static_cast<uint32_t>(std::min<size_t>(kChunk, data_.size() - at));
        while (PlayM4_InputData(kPort, data_.data() + at, size) != 1) {
          if (stop_) return;
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }
    });
  }
  ~OpenStream() {
    stop_ = true;
    if (feeder_.joinable()) feeder_.join();
    if (opened_) {
      EXPECT_EQ(PlayM4_CloseStream(kPort), 1);
    }
  }
  bool Opened() const { return opened_; }

 private:
  std::vector<uint8_t> data_;
  bool opened_ = false;
  std::atomic<bool> stop_{false};
  std::thread feeder_;
};

class Win32DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SampleStreams().empty()) GTEST_SKIP() << "KELO_M4_TEST_STREAMS names no sample streams";
    pictures = 0;
    captured = true;
  }
};

// Every sample stream decodes whole, at its picture size, and its first
// picture becomes a BMP of that size; the virtual clock plays it as fast
// as it decodes.
TEST_F(Win32DecoderTest, PlaysAndCapturesEverySampleStream) {
  tests::TempDirectory dir;
  _putenv("KELO_M4_CLOCK=virtual");
  for (const std::string& path : SampleStreams()) {
    SCOPED_TRACE(path);
    pictures = 0;
    capturePath = dir.path() + "/" + std::filesystem::path(path).stem().string() + ".bmp";
    captured = false;
    OpenStream stream(path);
    if (!stream.Opened()) continue;
    ASSERT_EQ(PlayM4_SetDisplayCallBack(kPort, &CountAndCapture), 1);
    ASSERT_EQ(PlayM4_Play(kPort, nullptr), 1);
    stream.Feed();
    // The sample streams are two seconds or more at 25 pictures a second.
    EXPECT_TRUE(WaitFor([] { return pictures >= 50; }, std::chrono::seconds(30)))
        << pictures << " pictures";
    int32_t width = 0;
    int32_t height = 0;
    EXPECT_EQ(PlayM4_GetPictureSize(kPort, &width, &height), 1);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    const std::string bmp = tests::ReadBytes(capturePath);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    int32_t bmpWidth = 0;
    int32_t bmpHeight = 0;
    std::memcpy(&bmpWidth, bmp.data() + 18, 4);
    std::memcpy(&bmpHeight, bmp.data() + 22, 4);
    EXPECT_EQ(bmpWidth, kWidth);
    EXPECT_EQ(std::abs(bmpHeight), kHeight);
    EXPECT_EQ(PlayM4_SetDisplayCallBack(kPort, nullptr), 1);
  }
  _putenv("KELO_M4_CLOCK=");
}

// Joined live, a transport stream brings pictures before its tables, which
// come round only now and then: those pictures are told by their own bytes,
// and none is lost while the decoder waits for the tables and the next key
// picture after them.
TEST_F(Win32DecoderTest, LiveTransportStreamJoinedBeforeItsTablesShowsEveryPicture) {
  _putenv("KELO_M4_CLOCK=virtual");
  for (const std::string& path : SampleStreams()) {
    const std::string stem = std::filesystem::path(path).stem().string();
    if (stem.size() < 3 || stem.compare(stem.size() - 3, 3, "-ts") != 0) continue;
    SCOPED_TRACE(path);
    const std::string bytes = tests::ReadBytes(path);
    const uint32_t headerLength = PlayM4_GetFileHeadLength();
    ASSERT_GT(bytes.size(), headerLength);
    const std::string payload = bytes.substr(headerLength);
    const VideoPes video = FindVideoPes(payload);
    ASSERT_NE(video.first, std::string::npos);
    ASSERT_GT(video.first, 0u) << "no tables before the first picture";
    pictures = 0;
    ASSERT_EQ(PlayM4_SetStreamOpenMode(kPort, kLiveMode), 1);
    ASSERT_EQ(PlayM4_OpenStream(kPort, reinterpret_cast<const uint8_t*>(bytes.data()), headerLength,
                                1 << 20),
              1);
    ASSERT_EQ(PlayM4_SetDisplayCallBack(kPort, &CountAndCapture), 1);
    ASSERT_EQ(PlayM4_Play(kPort, nullptr), 1);
    for (size_t at = video.first; at < payload.size(); at += kChunk) {
      const auto size = static_cast<uint32_t>(std::min<size_t>(kChunk, payload.size() - at));
      while (PlayM4_InputData(kPort, reinterpret_cast<const uint8_t*>(payload.data() + at), size) !=
             1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    // The last picture comes out once no more data has come for a second.
    EXPECT_TRUE(WaitFor([&] { return pictures >= video.count; }, std::chrono::seconds(20)));
    EXPECT_EQ(pictures, video.count);
    EXPECT_EQ(PlayM4_SetDisplayCallBack(kPort, nullptr), 1);
    EXPECT_EQ(PlayM4_CloseStream(kPort), 1);
  }
  _putenv("KELO_M4_CLOCK=");
}

// The window output on Windows beyond the contract that WindowTest.cpp
// tests: a window whose owner asks is told of each picture drawn into it
// (docs/decoder.md); a window that does not ask gets nothing.
TEST_F(Win32DecoderTest, TellsTheWindowsThatAskOfEachPictureDrawn) {
  const std::string path = StreamNamed("bars-mpeg2-ps");
  if (path.empty()) GTEST_SKIP() << "no bars-mpeg2-ps sample stream";
  const std::unique_ptr<tests_ffmpeg::TestWindow> main =
      tests_ffmpeg::TestWindow::Make(kWidth, kHeight);
  const std::unique_ptr<tests_ffmpeg::TestWindow> region =
      tests_ffmpeg::TestWindow::Make(kWidth / 2, kHeight / 2);
  if (!main || !region) GTEST_SKIP() << "no windows here";
  const wchar_t* const kPictureDrawn = M4_PICTURE_DRAWN_MESSAGE;
  SetPropW(main->Handle(), kPictureDrawn, reinterpret_cast<HANDLE>(1));
  OpenStream stream(path);
  ASSERT_TRUE(stream.Opened());
  pictures = 0;
  ASSERT_EQ(PlayM4_SetDisplayCallBack(kPort, &CountAndCapture), 1);
  const RECT rightHalf{kWidth / 2, 0, kWidth, kHeight / 2};
  ASSERT_EQ(PlayM4_SetDisplayRegion(kPort, 1, &rightHalf, region->Handle(), 1), 1);
  ASSERT_EQ(PlayM4_Play(kPort, main->Handle()), 1);
  stream.Feed();
  ASSERT_TRUE(WaitFor([] { return pictures >= 3; }, std::chrono::seconds(20)));
  ASSERT_EQ(PlayM4_Pause(kPort, 1), 1);
  const UINT pictureDrawn = RegisterWindowMessageW(kPictureDrawn);
  const auto told = [pictureDrawn](HWND window) {
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, window, pictureDrawn, pictureDrawn, PM_REMOVE)) ++count;
    return count;
  };
  EXPECT_GE(told(main->Handle()), 3);
  EXPECT_EQ(told(region->Handle()), 0);
  RemovePropW(main->Handle(), kPictureDrawn);
  EXPECT_EQ(PlayM4_SetDisplayCallBack(kPort, nullptr), 1);
}

}  // namespace
