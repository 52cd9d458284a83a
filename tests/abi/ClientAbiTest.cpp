// The player as a client sees it: the library loaded at run time, reached
// through its two exports and the SinglePlayer table of the public header
// only. Each slot must land in the operation of its name, which the trace
// entry that every operation writes at debug level 2 tells.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ClientSystem.h"
#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"
#include "TestFiles.h"

namespace tests {
namespace {

using CreateFunction = SinglePlayer* (*)();
using ReleaseFunction = void (*)(SinglePlayer*);

// Refused after the trace entry, so that no operation needs an open stream.
constexpr int32_t kNoChannel = -1;
constexpr int32_t kResultOk = kelo820::kOk;
constexpr int32_t kResultInvalidParameter = kelo820::kInvalidArgument;

class ClientAbiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(drive_.root().empty());
    if (!drive_.claimed()) GTEST_SKIP() << drive_.root() << "q81 belongs to this machine";
    drive_.Configure(TraceDirectory());

    ASSERT_TRUE(library_.loaded()) << KELO_PLAYER_LIBRARY << ": " << library_.error();
    create_ = library_.Find<CreateFunction>("CreateSinglePlayerDll");
    release_ = library_.Find<ReleaseFunction>("ReleaseSinglePlayerDll");
    ASSERT_NE(create_, nullptr);
    ASSERT_NE(release_, nullptr);
  }

  std::string TraceDirectory() const { return scratch_.path() + "trace/"; }

  std::vector<std::string> TracedNames() const {
    std::vector<std::string> names;
    for (const LogEntry& entry : ReadLog(TraceDirectory() + "ZQ_Player_Runtime.log")) {
      names.push_back(entry.value[0]);
    }
    return names;
  }

  TempDirectory scratch_;
  ClientDrive drive_{scratch_.path()};
  LoadedLibrary library_{KELO_PLAYER_LIBRARY};
  CreateFunction create_ = nullptr;
  ReleaseFunction release_ = nullptr;
};

TEST_F(ClientAbiTest, EverySlotReachesTheOperationOfItsName) {
  SinglePlayer* player = create_();
  ASSERT_NE(player, nullptr);

  // Slot 1 reads the configuration, which makes the trace directory.
  EXPECT_EQ(player->Play_InitDDraw(nullptr), kResultOk);
  EXPECT_TRUE(IsDirectory(TraceDirectory()));

  int32_t number = 0;
  int32_t otherNumber = 0;
  uint32_t unsignedNumber = 0;
  VideoPara para = {0, 50, 50, 50, 50, 0};
  RECT rect = {0, 0, 16, 16};
  const uint8_t bytes[40] = {1};
  SinglePlayer& p = *player;
  // Slots 3 to 26, in order.
  const std::vector<std::pair<std::string, std::function<int32_t()>>> slots = {
      {"Play_SetOverlayMode", [&] { return p.Play_SetOverlayMode(kNoChannel, 0); }},
      {"Play_GetPreviewMode",
       [&] { return p.Play_GetPreviewMode(kNoChannel, &number, &unsignedNumber); }},
      {"Play_SetOpenMode", [&] { return p.Play_SetOpenMode(kNoChannel, 0); }},
      {"Play_OpenStream",
       [&] { return p.Play_OpenStream(nullptr, kNoChannel, bytes, sizeof bytes, 0); }},
      {"Play_InputData", [&] { return p.Play_InputData(kNoChannel, bytes, sizeof bytes, 0); }},
      {"Play_CloseStream", [&] { return p.Play_CloseStream(kNoChannel); }},
      {"Play_PlayState", [&] { return p.Play_PlayState(kNoChannel, 1); }},
      {"Play_GetPlayState", [&] { return p.Play_GetPlayState(kNoChannel, &number); }},
      {"Play_SetVolume", [&] { return p.Play_SetVolume(kNoChannel, 0); }},
      {"Play_GetVolume", [&] { return p.Play_GetVolume(kNoChannel, &number); }},
      {"Play_GetPicture", [&] { return p.Play_GetPicture(kNoChannel, "picture.bmp"); }},
      {"Play_RefreshPlay", [&] { return p.Play_RefreshPlay(kNoChannel); }},
      {"Play_GetHeadLen", [&] { return p.Play_GetHeadLen(&unsignedNumber); }},
      {"Play_GetPictureSize",
       [&] { return p.Play_GetPictureSize(kNoChannel, &number, &otherNumber); }},
      {"Play_SetPicQuality", [&] { return p.Play_SetPicQuality(kNoChannel, 0); }},
      {"Play_GetPicQuality", [&] { return p.Play_GetPicQuality(kNoChannel, &number); }},
      {"Play_ThrowFrame", [&] { return p.Play_ThrowFrame(kNoChannel, 0); }},
      {"Play_GetThrowNum", [&] { return p.Play_GetThrowNum(kNoChannel, &number); }},
      {"Play_SetVideoPara", [&] { return p.Play_SetVideoPara(kNoChannel, &para, 0); }},
      {"Play_GetVideoPara", [&] { return p.Play_GetVideoPara(kNoChannel, &para); }},
      {"Play_SetDispRegion", [&] { return p.Play_SetDispRegion(kNoChannel, 1, &rect); }},
      {"Play_GetDispRegion", [&] { return p.Play_GetDispRegion(kNoChannel, &rect); }},
      {"Play_ClearBuffer", [&] { return p.Play_ClearBuffer(kNoChannel); }},
      {"Play_GetBufferRemainDataSize",
       [&] { return p.Play_GetBufferRemainDataSize(kNoChannel, &unsignedNumber); }},
  };
  for (const auto& [name, call] : slots) {
    const size_t tracedBefore = TracedNames().size();
    const int32_t result = call();
    const std::vector<std::string> traced = TracedNames();
    ASSERT_EQ(traced.size(), tracedBefore + 1) << name;
    EXPECT_EQ(traced.back(), name);
    // Only the header length takes no channel.
    EXPECT_EQ(result, name == "Play_GetHeadLen" ? kResultOk : kResultInvalidParameter) << name;
  }

  // Slot 2 writes no trace entry either, and unlike slot 1 it does not read
  // the configuration again.
  drive_.Configure(scratch_.path() + "moved/");
  const size_t tracedBefore = TracedNames().size();
  EXPECT_EQ(player->Play_ReleaseDDraw(), kResultOk);
  EXPECT_EQ(TracedNames().size(), tracedBefore);
  EXPECT_FALSE(IsDirectory(scratch_.path() + "moved/"));

  release_(player);
}

TEST_F(ClientAbiTest, ASecondCreateReturnsTheSameObject) {
  SinglePlayer* first = create_();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(create_(), first);
  release_(first);
}

}  // namespace
}  // namespace tests
