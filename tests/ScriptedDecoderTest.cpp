#include "ScriptedDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> RecordedCalls() {
  std::vector<std::string> calls;
  for (int32_t i = 0; i < Scripted_CallCount(); ++i) {
    std::string call(static_cast<size_t>(Scripted_GetCall(i, nullptr, 0)) + 1, '\0');
    Scripted_GetCall(i, call.data(), static_cast<int32_t>(call.size()));
    call.pop_back();
    calls.push_back(call);
  }
  return calls;
}

// What the display callback saw; the callback is a plain function, so this
// lives at namespace scope.
struct DeliveredFrames {
  std::vector<int32_t> timeStamps;
  std::vector<std::thread::id> threads;
  int32_t lastFrameSize = 0;
  int32_t lastWidth = 0;
  int32_t lastHeight = 0;
  int32_t lastFrameType = 0;
  std::string snapshotPath;  // when set, each frame is also saved there
};
std::mutex deliveredMutex;
DeliveredFrames delivered;

void M4CALL OnFrame(int32_t port, const uint8_t* frame, int32_t frameSize, int32_t width,
                    int32_t height, int32_t timeStamp, int32_t frameType, int32_t) {
  std::lock_guard<std::mutex> lock(deliveredMutex);
  delivered.timeStamps.push_back(timeStamp);
  delivered.threads.push_back(std::this_thread::get_id());
  delivered.lastFrameSize = frameSize;
  delivered.lastWidth = width;
  delivered.lastHeight = height;
  delivered.lastFrameType = frameType;
  if (!delivered.snapshotPath.empty()) {
    // What the player does from its callback: both calls take the decoder's
    // lock, so they deadlock if the decoder holds it while calling back.
    PlayM4_ConvertToBmpFile(frame, frameSize, width, height, frameType,
                            delivered.snapshotPath.c_str());
    PlayM4_GetLastError(port);
  }
}

class ScriptedDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Scripted_Reset();
    std::lock_guard<std::mutex> lock(deliveredMutex);
    delivered = {};
    directory_ = fs::temp_directory_path() /
                 ("scripted_decoder_test_" + std::to_string(std::random_device()()));
    fs::create_directories(directory_);
  }
  void TearDown() override {
    Scripted_Reset();
    fs::remove_all(directory_);
  }

  fs::path directory_;
};

TEST_F(ScriptedDecoderTest, FailurePlansFailOnlyThePlannedCallsOfTheirFunction) {
  Scripted_FailAlways("PlayM4_Fast");
  EXPECT_EQ(0, PlayM4_Fast(0));
  EXPECT_EQ(0, PlayM4_Fast(1));
  EXPECT_EQ(1, PlayM4_Slow(0));

  PlayM4_Stop(0);  // calls before the plan do not count toward n
  Scripted_FailNthCall("PlayM4_Stop", 2);
  EXPECT_EQ(1, PlayM4_Stop(0));
  EXPECT_EQ(0, PlayM4_Stop(0));
  EXPECT_EQ(1, PlayM4_Stop(0));

  Scripted_FailNextCalls("PlayM4_Play", 2);
  EXPECT_EQ(0, PlayM4_Play(0, nullptr));
  EXPECT_EQ(0, PlayM4_Play(0, nullptr));
  EXPECT_EQ(1, PlayM4_Play(0, nullptr));

  // Plans add up, each counting every call.
  Scripted_FailNextCalls("PlayM4_Pause", 1);
  Scripted_FailNthCall("PlayM4_Pause", 3);
  EXPECT_EQ(0, PlayM4_Pause(0, 1));
  EXPECT_EQ(1, PlayM4_Pause(0, 1));
  EXPECT_EQ(0, PlayM4_Pause(0, 1));

  Scripted_Reset();
  EXPECT_EQ(1, PlayM4_Fast(0));
}

TEST_F(ScriptedDecoderTest, AnswersConfiguredValues) {
  Scripted_SetLastError(5, 17);
  Scripted_SetLastError(32, 9);
  Scripted_FailAlways("PlayM4_GetLastError");
  EXPECT_EQ(17, PlayM4_GetLastError(5));
  EXPECT_EQ(0, PlayM4_GetLastError(4));
  EXPECT_EQ(0, PlayM4_GetLastError(32));
  EXPECT_EQ(0, PlayM4_GetLastError(-1));

  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(1, PlayM4_GetPictureSize(0, &width, &height));
  EXPECT_EQ(352, width);
  EXPECT_EQ(288, height);
  Scripted_SetPictureSize(704, 576);
  Scripted_FailNthCall("PlayM4_GetPictureSize", 1);
  EXPECT_EQ(0, PlayM4_GetPictureSize(0, &width, &height));
  EXPECT_EQ(352, width);  // a failed call leaves its outputs alone
  EXPECT_EQ(1, PlayM4_GetPictureSize(0, &width, &height));
  EXPECT_EQ(576, height);

  EXPECT_EQ(40u, PlayM4_GetFileHeadLength());
  Scripted_SetSourceBufferRemain(1000);
  EXPECT_EQ(1000u, PlayM4_GetSourceBufferRemain(0));
}

TEST_F(ScriptedDecoderTest, RecordsEachCallWithItsArguments) {
  const RECT region = {1, 2, 30, 40};
  uint8_t header[40] = {};
  PlayM4_SetDisplayRegion(3, 0, &region, nullptr, 1);
  PlayM4_SetDisplayRegion(3, 0, nullptr, nullptr, 0);
  PlayM4_OpenStream(2, header, 40, 51200);
  PlayM4_OpenStream(2, nullptr, 0, 51200);
  PlayM4_SetDisplayCallBack(4, OnFrame);
  PlayM4_SetDisplayCallBack(4, nullptr);
  PlayM4_SetVolume(1, 65535);
  PlayM4_GetLastError(7);

  const std::vector<std::string> expected = {
      "PlayM4_SetDisplayRegion(3,0,{1,2,30,40},0,1)",
      "PlayM4_SetDisplayRegion(3,0,null,0,0)",
      "PlayM4_OpenStream(2," + std::to_string(reinterpret_cast<uintptr_t>(header)) + ",40,51200)",
      "PlayM4_OpenStream(2,0,0,51200)",
      "PlayM4_SetDisplayCallBack(4,callback)",
      "PlayM4_SetDisplayCallBack(4,null)",
      "PlayM4_SetVolume(1,65535)",
      "PlayM4_GetLastError(7)",
  };
  EXPECT_EQ(expected, RecordedCalls());

  char cut[8];
  EXPECT_EQ(25, Scripted_GetCall(6, cut, sizeof cut));
  EXPECT_STREQ("PlayM4_", cut);
  EXPECT_EQ(-1, Scripted_GetCall(8, cut, sizeof cut));
  Scripted_ClearCalls();
  EXPECT_EQ(0, Scripted_CallCount());
}

TEST_F(ScriptedDecoderTest, DeliversAllFramesFromAnotherThreadBeforeTheCallbackIsRemoved) {
  Scripted_SetPictureSize(16, 8);
  Scripted_SetFramesPerCallback(3);
  ASSERT_EQ(1, PlayM4_SetDisplayCallBack(0, OnFrame));
  ASSERT_EQ(1, PlayM4_SetDisplayCallBack(0, nullptr));

  std::lock_guard<std::mutex> lock(deliveredMutex);
  EXPECT_EQ((std::vector<int32_t>{0, 40, 80}), delivered.timeStamps);
  for (std::thread::id thread : delivered.threads) EXPECT_NE(std::this_thread::get_id(), thread);
  EXPECT_EQ(16 * 8 * 3 / 2, delivered.lastFrameSize);
  EXPECT_EQ(16, delivered.lastWidth);
  EXPECT_EQ(8, delivered.lastHeight);
  EXPECT_EQ(1, delivered.lastFrameType);
}

TEST_F(ScriptedDecoderTest, CallbackCallsBackIntoTheDecoderInRecordedOrder) {
  Scripted_SetPictureSize(4, 4);
  Scripted_SetFramesPerCallback(2);
  const std::string snapshot = (directory_ / "frame.bmp").string();
  delivered.snapshotPath = snapshot;
  PlayM4_SetDisplayCallBack(1, OnFrame);
  PlayM4_SetDisplayCallBack(1, nullptr);

  const std::vector<std::string> calls = RecordedCalls();
  ASSERT_EQ(6u, calls.size());
  EXPECT_EQ("PlayM4_SetDisplayCallBack(1,callback)", calls[0]);
  for (size_t frame = 0; frame < 2; ++frame) {
    const std::string& convert = calls[1 + 2 * frame];
    EXPECT_EQ(0u, convert.rfind("PlayM4_ConvertToBmpFile(", 0)) << convert;
    EXPECT_NE(std::string::npos, convert.find(",24,4,4,1," + snapshot + ")")) << convert;
    EXPECT_EQ("PlayM4_GetLastError(1)", calls[2 + 2 * frame]);
  }
  EXPECT_EQ("PlayM4_SetDisplayCallBack(1,null)", calls[5]);
}

TEST_F(ScriptedDecoderTest, ConvertToBmpFileWritesABitmapOnlyWhenEnabled) {
  const uint8_t frame[6] = {};
  const std::string written = (directory_ / "on.bmp").string();
  ASSERT_EQ(1, PlayM4_ConvertToBmpFile(frame, 6, 2, 2, 1, written.c_str()));
  std::ifstream file(written, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(58u, bytes.size());
  EXPECT_EQ("BM", bytes.substr(0, 2));

  const std::string unwritable = (directory_ / "missing" / "x.bmp").string();
  EXPECT_EQ(0, PlayM4_ConvertToBmpFile(frame, 6, 2, 2, 1, unwritable.c_str()));

  Scripted_SetBmpWriting(0);
  const std::string refused = (directory_ / "off.bmp").string();
  EXPECT_EQ(0, PlayM4_ConvertToBmpFile(frame, 6, 2, 2, 1, refused.c_str()));
  EXPECT_FALSE(fs::exists(refused));
}

}  // namespace
