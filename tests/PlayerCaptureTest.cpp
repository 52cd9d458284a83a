// Picture capture against the scripted decoder, whose own thread delivers
// frames to the player's display callback while it is installed: which frame
// becomes the file, what the others leave in the error log, and the failures
// of installing, removing and converting.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <future>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "GbkTexts.h"
#include "Kelo820_PlaySDKCodes.h"
#include "PlayerFixture.h"
#include "WaitFor.h"

namespace tests {
namespace {

using Calls = std::vector<std::string>;

// The grey of a scripted decoder's one-pixel picture: 0x10 + its port.
int PictureGrey(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  return bytes.size() > 54 ? static_cast<unsigned char>(bytes[54]) : -1;
}

class CaptureTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    Configure(0);
    MakeDirectories(ShotDirectory());
  }

  std::string ShotDirectory() const { return drive_.path() + "shots/"; }

  std::vector<std::string> ShotFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ShotDirectory())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // The recorded calls with the frame's address, which varies, as "frame".
  static Calls WithoutFrameAddresses(const Calls& calls) {
    static const std::regex kConvert(R"(^PlayM4_ConvertToBmpFile\([1-9]\d*,)");
    Calls normalised;
    for (const std::string& call : calls) {
      normalised.push_back(std::regex_replace(call, kConvert, "PlayM4_ConvertToBmpFile(frame,"));
    }
    return normalised;
  }

  // Error entries of the player's own with |message|.
  size_t RefusalEntries(const char* message) const {
    size_t count = 0;
    for (const LogEntry& entry : Errors()) {
      if (entry.value[2] == message && entry.value[0] == "0") ++count;
    }
    return count;
  }
  // One per frame that found no name.
  size_t PathNotSetEntries() const { return RefusalEntries(common::kPathNotSet); }
  // One per capture whose window passed without its picture.
  size_t NoPictureEntries() const { return RefusalEntries(common::kNoPictureInWindow); }
};

TEST_F(CaptureTest, OneCaptureWritesTheFirstFrameUnderExactlyTheGivenName) {
  Configure(1);
  Scripted_SetPictureSize(704, 576);
  Scripted_SetFramesPerCallback(1);
  // No extension and a blank: the name is used as given. The channel has
  // no stream; capture does not look at that.
  const std::string path = ShotDirectory() + "snap shot";

  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), 0);

  EXPECT_EQ(ShotFiles(), std::vector<std::string>{"snap shot"});
  EXPECT_EQ(ReadBytes(path).substr(0, 2), "BM");
  EXPECT_EQ(WithoutFrameAddresses(DecoderCalls()),
            (Calls{"PlayM4_SetDisplayCallBack(3,callback)",
                   "PlayM4_ConvertToBmpFile(frame,608256,704,576,1," + path + ")",
                   "PlayM4_SetDisplayCallBack(3,null)"}));
  EXPECT_EQ(platform_.sleeps(), std::vector<uint32_t>{50});
  EXPECT_EQ(TracedNames(), std::vector<std::string>{"Play_GetPicture"});
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CaptureTest, EveryFurtherFrameInTheWindowFindsNoName) {
  Scripted_SetFramesPerCallback(3);
  const std::string path = ShotDirectory() + "one.bmp";
  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), 0);
  EXPECT_EQ(ShotFiles(), std::vector<std::string>{"one.bmp"});
  EXPECT_EQ(PathNotSetEntries(), 2u);
  EXPECT_EQ(Errors().size(), 2u);
}

TEST_F(CaptureTest, AnEmptyNameWritesNothingEveryFrameFindsNoNameAndTheCaptureFails) {
  Scripted_SetFramesPerCallback(2);
  EXPECT_EQ(player_->Play_GetPicture(3, ""), kelo820::kNoPictureCaptured);
  EXPECT_TRUE(ShotFiles().empty());
  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_SetDisplayCallBack(3,callback)", "PlayM4_SetDisplayCallBack(3,null)"}));
  EXPECT_EQ(PathNotSetEntries(), 2u);
  EXPECT_EQ(NoPictureEntries(), 1u);
  EXPECT_EQ(Errors().size(), 3u);
}

TEST_F(CaptureTest, NoFrameInTheWindowWritesNothingAndFailsWithAnEntryOfItsOwn) {
  const std::string path = ShotDirectory() + "none.bmp";
  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), kelo820::kNoPictureCaptured);
  EXPECT_TRUE(ShotFiles().empty());
  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_SetDisplayCallBack(3,callback)", "PlayM4_SetDisplayCallBack(3,null)"}));
  EXPECT_EQ(platform_.sleeps(), std::vector<uint32_t>{50});
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{common::kNoPictureInWindow});
  EXPECT_EQ(NoPictureEntries(), 1u);
}

// A picture shown after a capture's window writes that capture's file late,
// but is not taken for the picture of the next capture on the channel.
TEST_F(CaptureTest, ALateFrameOfAnEarlierCaptureDoesNotAnswerTheNextOne) {
  const std::string first = ShotDirectory() + "first.bmp";
  const std::string second = ShotDirectory() + "second.bmp";
  ASSERT_EQ(player_->Play_GetPicture(3, first.c_str()), kelo820::kNoPictureCaptured);
  Scripted_DeliverLateFrames(3, 1);
  EXPECT_TRUE(FileExists(first));
  EXPECT_EQ(player_->Play_GetPicture(3, second.c_str()), kelo820::kNoPictureCaptured);
  EXPECT_FALSE(FileExists(second));
  EXPECT_EQ(NoPictureEntries(), 2u);
}

// A decoder whose removal of the callback returns at once, while a picture
// taken in the window is still being written: the capture answers with
// that writing's outcome, not with "no picture".
TEST_F(CaptureTest, APictureTakenInTheWindowIsWaitedForAfterIt) {
  const std::string path = ShotDirectory() + "late.bmp";
  Scripted_HoldConversionsTo(path.c_str());
  std::thread shown;
  platform_.set_during_sleep([&](uint32_t) {
    shown = std::thread([] { Scripted_DeliverLateFrames(3, 1); });
    Scripted_WaitForHeldConversion(path.c_str());
  });
  std::thread releaser([&] {
    WaitFor(
        [] {
          const Calls calls = DecoderCalls();
          return !calls.empty() && calls.back() == "PlayM4_SetDisplayCallBack(3,null)";
        },
        std::chrono::seconds(10));
    Scripted_ReleaseConversionsTo(path.c_str());
  });
  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), 0);
  releaser.join();
  shown.join();
  EXPECT_EQ(PictureGrey(path), 0x13);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CaptureTest, AFailedConversionIsReportedWithItsPortsErrorAndUsesUpTheName) {
  Scripted_SetBmpWriting(0);
  Scripted_SetLastError(5, 7);
  Scripted_SetFramesPerCallback(2);
  const std::string path = ShotDirectory() + "failed.bmp";

  // The conversion's result, as for any decoder failure.
  EXPECT_EQ(player_->Play_GetPicture(5, path.c_str()), 8);

  EXPECT_TRUE(ShotFiles().empty());
  EXPECT_EQ(WithoutFrameAddresses(DecoderCalls()),
            (Calls{"PlayM4_SetDisplayCallBack(5,callback)",
                   "PlayM4_ConvertToBmpFile(frame,152064,352,288,1," + path + ")",
                   "PlayM4_GetLastError(5)", "PlayM4_SetDisplayCallBack(5,null)"}));
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].value[0], "7");
  EXPECT_EQ(errors[0].value[2],
            std::string(common::kDecoderError7) + "\nPlayM4_ConvertToBmpFile()");
  EXPECT_EQ(errors[1].value[0], "0");
  EXPECT_EQ(errors[1].value[2], common::kPathNotSet);
}

TEST_F(CaptureTest, TwoCapturesInARowWriteTwoFiles) {
  Scripted_SetFramesPerCallback(1);
  const std::string first = ShotDirectory() + "first.bmp";
  const std::string second = ShotDirectory() + "second.bmp";
  EXPECT_EQ(player_->Play_GetPicture(3, first.c_str()), 0);
  EXPECT_EQ(player_->Play_GetPicture(4, second.c_str()), 0);
  EXPECT_TRUE(FileExists(first));
  EXPECT_TRUE(FileExists(second));
  EXPECT_EQ(ShotFiles().size(), 2u);
  EXPECT_EQ(platform_.sleeps(), (std::vector<uint32_t>{50, 50}));
  EXPECT_TRUE(Errors().empty());
}

// Each channel waits for its own picture under its own name: two windows
// open at once, and both channels display a picture at the same moment.
TEST_F(CaptureTest, CapturesOnTwoChannelsAtOnceEachWriteTheirOwnPicture) {
  std::mutex mutex;
  std::condition_variable changed;
  int inWindow = 0;
  bool shown = false;
  platform_.set_during_sleep([&](uint32_t) {
    std::unique_lock<std::mutex> lock(mutex);
    if (++inWindow < 2) {
      changed.wait(lock, [&] { return shown; });
      return;
    }
    lock.unlock();
    std::thread three([] { Scripted_DeliverLateFrames(3, 1); });
    std::thread four([] { Scripted_DeliverLateFrames(4, 1); });
    three.join();
    four.join();
    lock.lock();
    shown = true;
    changed.notify_all();
  });
  const std::string onThree = ShotDirectory() + "three.bmp";
  const std::string onFour = ShotDirectory() + "four.bmp";
  std::thread other([&] { EXPECT_EQ(player_->Play_GetPicture(4, onFour.c_str()), 0); });
  EXPECT_EQ(player_->Play_GetPicture(3, onThree.c_str()), 0);
  other.join();
  EXPECT_EQ(PictureGrey(onThree), 0x13);
  EXPECT_EQ(PictureGrey(onFour), 0x14);
  EXPECT_TRUE(Errors().empty());
}

// A conversion that takes its time runs without any lock of the player's:
// meanwhile another channel captures and the factory answers; releasing the
// player waits for it to end.
TEST_F(CaptureTest, ASlowConversionHoldsUpNeitherOtherChannelsNorTheFactory) {
  const std::string slow = ShotDirectory() + "slow.bmp";
  const std::string quick = ShotDirectory() + "quick.bmp";
  // No picture yet: the capture fails, and its name waits.
  ASSERT_EQ(player_->Play_GetPicture(3, slow.c_str()), kelo820::kNoPictureCaptured);
  Scripted_HoldConversionsTo(slow.c_str());
  std::thread shown([] { Scripted_DeliverLateFrames(3, 1); });
  Scripted_WaitForHeldConversion(slow.c_str());

  EXPECT_EQ(CreateSinglePlayerDll(), player_);
  Scripted_SetFramesPerCallback(1);
  EXPECT_EQ(player_->Play_GetPicture(4, quick.c_str()), 0);
  EXPECT_EQ(PictureGrey(quick), 0x14);

  std::thread released([&] {
    ReleaseSinglePlayerDll(player_);
    EXPECT_TRUE(FileExists(slow)) << "released under a callback";
  });
  Scripted_ReleaseConversions();
  released.join();
  shown.join();
  player_ = nullptr;
  EXPECT_EQ(PictureGrey(slow), 0x13);
}

// Callbacks are counted per player: neither a player built while another's
// release waits nor that player's own callbacks keep the release waiting.
TEST_F(CaptureTest, AReleaseWaitsOnlyForItsOwnPlayersCallbacks) {
  const std::string first = ShotDirectory() + "first.bmp";
  const std::string second = ShotDirectory() + "second.bmp";
  // No picture yet: the capture fails, and its name waits.
  ASSERT_EQ(player_->Play_GetPicture(3, first.c_str()), kelo820::kNoPictureCaptured);
  Scripted_HoldConversionsTo(first.c_str());
  Scripted_HoldConversionsTo(second.c_str());
  std::thread firstShown([] { Scripted_DeliverLateFrames(3, 1); });
  Scripted_WaitForHeldConversion(first.c_str());
  std::promise<void> releaseReturned;
  std::thread releasing([&releaseReturned, released = player_] {
    ReleaseSinglePlayerDll(released);
    releaseReturned.set_value();
  });

  SinglePlayer* next = nullptr;
  while ((next = CreateSinglePlayerDll()) == player_) std::this_thread::yield();
  player_ = next;
  Configure(0);
  ASSERT_EQ(player_->Play_GetPicture(4, second.c_str()), kelo820::kNoPictureCaptured);
  std::thread secondShown([] { Scripted_DeliverLateFrames(4, 1); });
  Scripted_WaitForHeldConversion(second.c_str());

  Scripted_ReleaseConversionsTo(first.c_str());
  EXPECT_EQ(releaseReturned.get_future().wait_for(std::chrono::seconds(10)),
            std::future_status::ready)
      << "the release waits for the next player's callback";
  Scripted_ReleaseConversions();
  releasing.join();
  firstShown.join();
  secondShown.join();
  EXPECT_EQ(PictureGrey(first), 0x13);
  EXPECT_EQ(PictureGrey(second), 0x14);
}

TEST_F(CaptureTest, AFailedInstallIsReportedAtOnceWithoutWaiting) {
  Scripted_FailNthCall("PlayM4_SetDisplayCallBack", 1);
  Scripted_SetLastError(3, 8);
  Scripted_SetFramesPerCallback(1);
  const std::string path = ShotDirectory() + "never.bmp";

  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), 9);

  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_SetDisplayCallBack(3,callback)", "PlayM4_GetLastError(3)"}));
  EXPECT_TRUE(platform_.sleeps().empty());
  EXPECT_TRUE(ShotFiles().empty());
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{std::string(common::kDecoderError8) +
                                                      "\nPlayM4_SetDisplayCallBack()"});
}

TEST_F(CaptureTest, AFailedRemovalIsReportedAfterTheWindow) {
  Scripted_FailNthCall("PlayM4_SetDisplayCallBack", 2);
  Scripted_SetLastError(3, 0);
  Scripted_SetFramesPerCallback(1);
  const std::string path = ShotDirectory() + "kept.bmp";

  EXPECT_EQ(player_->Play_GetPicture(3, path.c_str()), 26);

  EXPECT_EQ(WithoutFrameAddresses(DecoderCalls()),
            (Calls{"PlayM4_SetDisplayCallBack(3,callback)",
                   "PlayM4_ConvertToBmpFile(frame,152064,352,288,1," + path + ")",
                   "PlayM4_SetDisplayCallBack(3,null)", "PlayM4_GetLastError(3)"}));
  EXPECT_EQ(platform_.sleeps(), std::vector<uint32_t>{50});
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{std::string(common::kDecoderErrorUnknown) +
                                                      "\nPlayM4_SetDisplayCallBack()"});
}

// The callback finds the player through the factory, so frames must reach
// whichever player is alive, not the one that first installed it.
TEST_F(CaptureTest, FramesReachAPlayerCreatedAfterTheFirstWasReleased) {
  Scripted_SetFramesPerCallback(1);
  const std::string before = ShotDirectory() + "before.bmp";
  ASSERT_EQ(player_->Play_GetPicture(3, before.c_str()), 0);
  ReleaseSinglePlayerDll(player_);
  player_ = CreateSinglePlayerDll();
  ASSERT_NE(player_, nullptr);
  Configure(0);

  const std::string after = ShotDirectory() + "after.bmp";
  Scripted_SetFramesPerCallback(2);
  EXPECT_EQ(player_->Play_GetPicture(3, after.c_str()), 0);
  EXPECT_TRUE(FileExists(after));
  EXPECT_EQ(PathNotSetEntries(), 1u);
}

}  // namespace
}  // namespace tests

namespace tests {
namespace {

// A frame the decoder hands over after the player is gone must not reach it.
TEST_F(CaptureTest, ALateFrameAfterReleaseDoesNothing) {
  const std::string path = ShotDirectory() + "late.bmp";
  ASSERT_EQ(player_->Play_GetPicture(3, path.c_str()), kelo820::kNoPictureCaptured);
  ReleaseSinglePlayerDll(player_);
  player_ = nullptr;
  Scripted_ClearCalls();
  Scripted_DeliverLateFrames(3, 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{common::kNoPictureInWindow});
}

}  // namespace
}  // namespace tests
