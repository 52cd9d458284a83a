// The channel settings against the scripted decoder: volume, overlay mode,
// display region, picture size and quality, video parameters, frame dropping,
// buffers and header length; and the refusals every operation shares, of a
// channel out of range and of a null address.
#include <array>
#include <cstdint>
#include <iterator>
#include <limits>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "ChannelOperations.h"
#include "OperationResults.h"
#include "GbkTexts.h"
#include "PlayerFixture.h"

namespace tests {
namespace {

using Calls = std::vector<std::string>;
using Corners = std::array<int32_t, 4>;
using Words = std::array<int32_t, 6>;

Corners CornersOf(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
Words WordsOf(const VideoPara& para) {
  return {para.reserved1, para.value1, para.value2, para.value3, para.value4, para.reserved2};
}

// The ErrString of an entry that ReportDecoderError writes.
std::string Reported(const char* words, const std::string& context) {
  return std::string(words) + "\n" + context;
}

class SettingsTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    Configure(0);
  }

  // The entries are all "参数错误" refusals with error code 0; returns
  // their Context values (source file and line).
  std::vector<std::string> RefusalPlaces() {
    std::vector<std::string> places;
    for (const LogEntry& entry : Errors()) {
      EXPECT_EQ(entry.value[0], "0");
      EXPECT_EQ(entry.value[2], common::kInvalidParameter);
      places.push_back(entry.value[1]);
    }
    return places;
  }

  int32_t Volume(int32_t channel) {
    int32_t volume = -1;
    EXPECT_EQ(player_->Play_GetVolume(channel, &volume), 0);
    return volume;
  }
  RECT Region(int32_t channel) {
    RECT rect{-1, -1, -1, -1};
    EXPECT_EQ(player_->Play_GetDispRegion(channel, &rect), 0);
    return rect;
  }
  VideoPara StoredPara(int32_t channel) {
    VideoPara para{-1, -1, -1, -1, -1, -1};
    EXPECT_EQ(player_->Play_GetVideoPara(channel, &para), 0);
    return para;
  }
  int32_t ThrowNum(int32_t channel) {
    int32_t count = -1;
    EXPECT_EQ(player_->Play_GetThrowNum(channel, &count), 0);
    return count;
  }
  void ReadPictureSize(int32_t channel, int32_t width, int32_t height) {
    Scripted_SetPictureSize(width, height);
    int32_t readWidth = 0;
    int32_t readHeight = 0;
    ASSERT_EQ(player_->Play_GetPictureSize(channel, &readWidth, &readHeight), 0);
    Scripted_ClearCalls();
  }
};

// --- Refusals shared by every operation -----------------------------------

class ChannelRangeTest : public SettingsTest,
                         public ::testing::WithParamInterface<ChannelOperation> {};

TEST_P(ChannelRangeTest, ChannelsOutsideZeroToThirtyOneAreRefusedAfterTheTrace) {
  const ChannelOperation& operation = GetParam();
  const int32_t channels[] = {-1, 32, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max()};
  // Just below the operation's trace level, then at it.
  for (const int32_t level : {operation.traceLevel - 1, operation.traceLevel}) {
    SCOPED_TRACE("debug level " + std::to_string(level));
    Configure(level);
    for (const int32_t channel : channels) {
      SCOPED_TRACE("channel " + std::to_string(channel));
      OutValues out;
      const int32_t result = operation.call(*player_, channel, out);
      EXPECT_EQ(result, 2);
      EXPECT_EQ(PossibleResults(operation.name).count(result), 1u);
      EXPECT_TRUE(Untouched(out));
    }
    EXPECT_TRUE(DecoderCalls().empty());
  }
  const std::vector<LogEntry> traces = Traces();
  ASSERT_EQ(traces.size(), std::size(channels));
  for (const LogEntry& trace : traces) {
    EXPECT_EQ(trace.label[0], operation.description);
    EXPECT_EQ(trace.value[0], operation.name);
    EXPECT_EQ(trace.label[1] + trace.value[1] + trace.label[2] + trace.value[2], "");
  }
  const std::vector<std::string> places = RefusalPlaces();
  ASSERT_EQ(places.size(), 2 * std::size(channels));
  EXPECT_NE(places[0].find("My820xPlaySDK.cpp"), std::string::npos) << places[0];
  EXPECT_EQ(places, std::vector<std::string>(places.size(), places[0]));
}

INSTANTIATE_TEST_SUITE_P(Operations, ChannelRangeTest, ::testing::ValuesIn(ChannelOperations()),
                         [](const ::testing::TestParamInfo<ChannelOperation>& paramInfo) {
                           return std::string(paramInfo.param.label);
                         });

struct NullAddressCase {
  const char* label;
  bool takesChannel;
  int32_t (*call)(SinglePlayer& player, int32_t channel, OutValues& out);
};

void PrintTo(const NullAddressCase& nullCase, std::ostream* out) { *out << nullCase.label; }

const NullAddressCase kNullAddressCases[] = {
    {"GetPlayState", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetPlayState(c, nullptr); }},
    {"GetVolume", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetVolume(c, nullptr); }},
    {"GetPicturePath", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetPicture(c, nullptr); }},
    {"GetPreviewModeMode", true,
     [](SinglePlayer& p, int32_t c, OutValues& o) {
       return p.Play_GetPreviewMode(c, nullptr, &o.unsignedValue);
     }},
    {"GetPreviewModeColorKey", true,
     [](SinglePlayer& p, int32_t c, OutValues& o) {
       return p.Play_GetPreviewMode(c, &o.value, nullptr);
     }},
    {"ShowDispRegionRect", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetDispRegion(c, 1, nullptr); }},
    {"ShowDispRegionRectEnable5", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetDispRegion(c, 5, nullptr); }},
    {"GetDispRegion", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetDispRegion(c, nullptr); }},
    {"GetPictureSizeWidth", true,
     [](SinglePlayer& p, int32_t c, OutValues& o) {
       return p.Play_GetPictureSize(c, nullptr, &o.second);
     }},
    {"GetPictureSizeHeight", true,
     [](SinglePlayer& p, int32_t c, OutValues& o) {
       return p.Play_GetPictureSize(c, &o.value, nullptr);
     }},
    {"GetPicQuality", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetPicQuality(c, nullptr); }},
    {"SetVideoPara", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetVideoPara(c, nullptr, 0); }},
    {"SetVideoParaDefaults", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_SetVideoPara(c, nullptr, 1); }},
    {"GetVideoPara", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetVideoPara(c, nullptr); }},
    {"GetThrowNum", true,
     [](SinglePlayer& p, int32_t c, OutValues&) { return p.Play_GetThrowNum(c, nullptr); }},
    {"GetBufferRemainDataSize", true,
     [](SinglePlayer& p, int32_t c, OutValues&) {
       return p.Play_GetBufferRemainDataSize(c, nullptr);
     }},
    {"GetHeadLen", false,
     [](SinglePlayer& p, int32_t, OutValues&) { return p.Play_GetHeadLen(nullptr); }},
};

class NullAddressTest : public SettingsTest,
                        public ::testing::WithParamInterface<NullAddressCase> {};

TEST_P(NullAddressTest, ANullAddressIsRefusedAfterTheChannelCheck) {
  const NullAddressCase& nullCase = GetParam();
  OutValues out;
  EXPECT_EQ(nullCase.call(*player_, 4, out), 2);
  EXPECT_TRUE(Untouched(out));
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_TRUE(platform_.sleeps().empty());
  ASSERT_EQ(RefusalPlaces().size(), 1u);

  if (!nullCase.takesChannel) return;
  // A bad channel as well: the channel check answers, from a statement of
  // its own.
  EXPECT_EQ(nullCase.call(*player_, 32, out), 2);
  const std::vector<std::string> places = RefusalPlaces();
  ASSERT_EQ(places.size(), 2u);
  EXPECT_NE(places[0], places[1]);
  EXPECT_TRUE(DecoderCalls().empty());
}

INSTANTIATE_TEST_SUITE_P(Addresses, NullAddressTest, ::testing::ValuesIn(kNullAddressCases),
                         [](const ::testing::TestParamInfo<NullAddressCase>& paramInfo) {
                           return std::string(paramInfo.param.label);
                         });

// --- Volume -------------------------------------------------------------------

TEST_F(SettingsTest, EveryVolumeReachesTheDecoderScaledTo65535AndTruncated) {
  EXPECT_EQ(Volume(0), 0);
  for (int32_t volume = 1; volume <= 100; ++volume) {
    SCOPED_TRACE("volume " + std::to_string(volume));
    Scripted_ClearCalls();
    EXPECT_EQ(player_->Play_SetVolume(0, volume), 0);
    EXPECT_EQ(DecoderCalls(),
              (Calls{"PlayM4_PlaySound(0)",
                     "PlayM4_SetVolume(0," + std::to_string(volume * 65535 / 100) + ")"}));
    // One volume for the whole player.
    EXPECT_EQ(Volume(31), volume);
  }
}

TEST_F(SettingsTest, VolumeZeroSwitchesSoundOffWithoutNamingAPort) {
  ASSERT_EQ(player_->Play_SetVolume(3, 40), 0);
  EXPECT_EQ(Volume(7), 40);
  Scripted_ClearCalls();
  EXPECT_EQ(player_->Play_SetVolume(9, 0), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_StopSound()"});
  EXPECT_EQ(Volume(3), 0);
}

TEST_F(SettingsTest, VolumeOutsideZeroToHundredIsRefusedAfterTheChannel) {
  ASSERT_EQ(player_->Play_SetVolume(0, 40), 0);
  Scripted_ClearCalls();
  for (const int32_t volume :
       {101, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(player_->Play_SetVolume(0, volume), 2) << volume;
  }
  EXPECT_EQ(player_->Play_SetVolume(32, 101), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(Volume(0), 40);
  const std::vector<std::string> places = RefusalPlaces();
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[3], places[0]);
  EXPECT_NE(places[4], places[0]);
}

TEST_F(SettingsTest, AFailedSoundCallReportsItsContextAndKeepsTheVolume) {
  struct Row {
    int32_t volume;
    const char* failing;
    Calls calls;
    const char* context;
  };
  const Row rows[] = {
      {0,
       "PlayM4_StopSound",
       {"PlayM4_StopSound()", "PlayM4_GetLastError(2)"},
       "PlayM4_StopSound()"},
      {60,
       "PlayM4_PlaySound",
       {"PlayM4_PlaySound(2)", "PlayM4_GetLastError(2)"},
       "PlayM4_PlaySound()"},
      // The sound switched on just before is not switched off again.
      {60,
       "PlayM4_SetVolume",
       {"PlayM4_PlaySound(2)", "PlayM4_SetVolume(2,39321)", "PlayM4_GetLastError(2)"},
       "PlayM4_SetVolume()"},
  };
  ASSERT_EQ(player_->Play_SetVolume(2, 40), 0);
  Scripted_SetLastError(2, 12);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing);
    Scripted_FailNthCall(row.failing, 1);
    Scripted_ClearCalls();
    EXPECT_EQ(player_->Play_SetVolume(2, row.volume), 13);
    EXPECT_EQ(DecoderCalls(), row.calls);
    EXPECT_EQ(Volume(2), 40);
    const std::vector<LogEntry> errors = Errors();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().value[0], "12");
    EXPECT_EQ(errors.back().value[2], Reported(common::kDecoderError12, row.context));
  }
  EXPECT_EQ(Errors().size(), std::size(rows));
}

// --- Overlay mode -------------------------------------------------------------

TEST_F(SettingsTest, ANewPlayerShowsNoOverlayAndTheDefaultKey) {
  for (const int32_t channel : {0, 31}) {
    int32_t mode = -1;
    uint32_t colorKey = 0;
    EXPECT_EQ(player_->Play_GetPreviewMode(channel, &mode, &colorKey), 0);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(colorKey, 0x00FF00FFu);
  }
  EXPECT_TRUE(DecoderCalls().empty());
}

TEST_F(SettingsTest, OverlayModeBelongsToTheChannelAndTheKeyToThePlayer) {
  EXPECT_EQ(player_->Play_SetOverlayMode(3, 0x000000FF), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_SetOverlayMode(3,1,255)"});
  int32_t mode = -1;
  uint32_t colorKey = 0;
  EXPECT_EQ(player_->Play_GetPreviewMode(3, &mode, &colorKey), 0);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(colorKey, 0x000000FFu);
  EXPECT_EQ(player_->Play_GetPreviewMode(7, &mode, &colorKey), 0);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(colorKey, 0x000000FFu);
}

TEST_F(SettingsTest, ColorKeysAboveTwentyFourBitsAreRefused) {
  EXPECT_EQ(player_->Play_SetOverlayMode(0, 0x00FFFFFF), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_SetOverlayMode(0,1,16777215)"});
  Scripted_ClearCalls();
  // Compared as unsigned: read as signed, the second would pass.
  EXPECT_EQ(player_->Play_SetOverlayMode(1, 0x01000000), 2);
  EXPECT_EQ(player_->Play_SetOverlayMode(1, 0xFFFFFFFF), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(RefusalPlaces().size(), 2u);
  int32_t mode = -1;
  uint32_t colorKey = 0;
  EXPECT_EQ(player_->Play_GetPreviewMode(1, &mode, &colorKey), 0);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(colorKey, 0x00FFFFFFu);
}

TEST_F(SettingsTest, OverlayModeRefusedByTheDecoderIsStoredAnyway) {
  Scripted_FailAlways("PlayM4_SetOverlayMode");
  Scripted_SetLastError(4, 23);
  EXPECT_EQ(player_->Play_SetOverlayMode(4, 0x00123456), 24);
  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_SetOverlayMode(4,1,1193046)", "PlayM4_GetLastError(4)"}));
  EXPECT_EQ(ErrorMessages(),
            std::vector<std::string>{Reported(common::kDecoderError23, "PlayM4_SetOverlayMode()")});
  int32_t mode = -1;
  uint32_t colorKey = 0;
  EXPECT_EQ(player_->Play_GetPreviewMode(4, &mode, &colorKey), 0);
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(colorKey, 0x00123456u);
}

// --- Display region -----------------------------------------------------------

class DisplayRegionTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    // The region goes to the window the stream was opened in ("31232").
    const auto window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x7A00});
    ASSERT_EQ(player_->Play_OpenStream(window, 3, header_, sizeof header_, 0), 0);
    Scripted_ClearCalls();
  }

  int32_t Show(const RECT& rect, int32_t enable = 1) {
    return player_->Play_SetDispRegion(3, enable, &rect);
  }
};

TEST_F(DisplayRegionTest, ShowingIsBoundedByZeroUntilThePictureSizeIsRead) {
  EXPECT_EQ(Show({0, 0, 352, 288}), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(RefusalPlaces().size(), 1u);
  EXPECT_EQ(Show({0, 0, 0, 0}), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_SetDisplayRegion(3,1,{0,0,0,0},31232,1)"});
}

TEST_F(DisplayRegionTest, ShowingIsBoundedByTheLastPictureSizeEdgesIncluded) {
  ReadPictureSize(3, 704, 576);
  EXPECT_EQ(Show({0, 0, 704, 576}), 0);
  // Neither empty nor inverted rectangles are the player's business.
  EXPECT_EQ(Show({600, 500, 10, 10}), 0);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_SetDisplayRegion(3,1,{0,0,704,576},31232,1)",
                                   "PlayM4_SetDisplayRegion(3,1,{600,500,10,10},31232,1)"}));
  EXPECT_EQ(CornersOf(Region(3)), (Corners{600, 500, 10, 10}));
  Scripted_ClearCalls();

  const RECT outside[] = {{0, 0, 705, 576}, {0, 0, 704, 577}, {-1, 0, 10, 10}, {0, -1, 10, 10}};
  for (const RECT& rect : outside) {
    SCOPED_TRACE(::testing::PrintToString(CornersOf(rect)));
    EXPECT_EQ(Show(rect), 2);
  }
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(CornersOf(Region(3)), (Corners{600, 500, 10, 10}));
  // Each bound is a check of its own.
  const std::vector<std::string> places = RefusalPlaces();
  ASSERT_EQ(places.size(), 4u);
  for (size_t i = 0; i < places.size(); ++i) {
    for (size_t j = i + 1; j < places.size(); ++j) EXPECT_NE(places[i], places[j]);
  }
}

TEST_F(DisplayRegionTest, TheTopIsCheckedBeforeTheLeft) {
  ReadPictureSize(3, 704, 576);
  EXPECT_EQ(Show({-1, -1, 10, 10}), 2);
  EXPECT_EQ(Show({0, -1, 10, 10}), 2);
  EXPECT_EQ(Show({-1, 0, 10, 10}), 2);
  const std::vector<std::string> places = RefusalPlaces();
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0], places[1]);
  EXPECT_NE(places[0], places[2]);
}

TEST_F(DisplayRegionTest, ShowingPassesEnableAsGiven) {
  ReadPictureSize(3, 704, 576);
  EXPECT_EQ(Show({8, 16, 320, 240}, 5), 0);
  EXPECT_EQ(Show({1, 2, 30, 40}, -1), 0);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_SetDisplayRegion(3,1,{8,16,320,240},31232,5)",
                                   "PlayM4_SetDisplayRegion(3,1,{1,2,30,40},31232,-1)"}));
  EXPECT_EQ(CornersOf(Region(3)), (Corners{1, 2, 30, 40}));
}

TEST_F(DisplayRegionTest, HidingPassesTheRectangleUnexaminedAndClearsTheRegion) {
  ReadPictureSize(3, 704, 576);
  ASSERT_EQ(Show({8, 16, 320, 240}), 0);
  EXPECT_EQ(CornersOf(Region(3)), (Corners{8, 16, 320, 240}));
  Scripted_ClearCalls();

  const RECT outside{-5, -5, 5000, 5000};
  EXPECT_EQ(player_->Play_SetDispRegion(3, 0, &outside), 0);
  EXPECT_EQ(CornersOf(Region(3)), (Corners{0, 0, 0, 0}));
  ASSERT_EQ(Show({8, 16, 320, 240}), 0);
  EXPECT_EQ(player_->Play_SetDispRegion(3, 0, nullptr), 0);
  EXPECT_EQ(CornersOf(Region(3)), (Corners{0, 0, 0, 0}));
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_SetDisplayRegion(3,1,{-5,-5,5000,5000},31232,0)",
                                   "PlayM4_SetDisplayRegion(3,1,{8,16,320,240},31232,1)",
                                   "PlayM4_SetDisplayRegion(3,1,null,31232,0)"}));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(DisplayRegionTest, AFailedShowOrHideKeepsTheFormerRegion) {
  ReadPictureSize(3, 704, 576);
  ASSERT_EQ(Show({8, 16, 320, 240}), 0);
  Scripted_SetLastError(3, 9);
  Scripted_ClearCalls();

  Scripted_FailNthCall("PlayM4_SetDisplayRegion", 1);
  EXPECT_EQ(Show({0, 0, 100, 100}), 10);
  Scripted_FailNthCall("PlayM4_SetDisplayRegion", 1);
  EXPECT_EQ(player_->Play_SetDispRegion(3, 0, nullptr), 10);

  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_SetDisplayRegion(3,1,{0,0,100,100},31232,1)", "PlayM4_GetLastError(3)",
                   "PlayM4_SetDisplayRegion(3,1,null,31232,0)", "PlayM4_GetLastError(3)"}));
  EXPECT_EQ(ErrorMessages(),
            (std::vector<std::string>{
                Reported(common::kDecoderError9, "PlayM4_SetDisplayRegion(TRUE)"),
                Reported(common::kDecoderError9, "PlayM4_SetDisplayRegion(FALSE)")}));
  EXPECT_EQ(CornersOf(Region(3)), (Corners{8, 16, 320, 240}));
}

TEST_F(DisplayRegionTest, TheFallbackPictureSizeIsNeverRecorded) {
  // The client is told 352 x 288 when the decoder cannot say...
  Scripted_FailAlways("PlayM4_GetPictureSize");
  Scripted_SetLastError(3, 6);
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(player_->Play_GetPictureSize(3, &width, &height), 7);
  EXPECT_EQ(width, 352);
  EXPECT_EQ(height, 288);
  const Calls calls = DecoderCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1], "PlayM4_GetLastError(3)");
  EXPECT_EQ(ErrorMessages(),
            std::vector<std::string>{Reported(common::kDecoderError6, "PlayM4_GetPictureSize()")});
  // ...but the bounds stay those last read: none yet...
  EXPECT_EQ(Show({0, 0, 352, 288}), 2);

  // ...or a larger real size.
  Scripted_Reset();
  ReadPictureSize(3, 704, 576);
  Scripted_FailAlways("PlayM4_GetPictureSize");
  EXPECT_NE(player_->Play_GetPictureSize(3, &width, &height), 0);
  EXPECT_EQ(Show({0, 0, 704, 576}), 0);
}

// --- Picture size and quality -------------------------------------------------

TEST_F(SettingsTest, PictureSizeIsReadIntoThePlayersOwnValuesAndBoundsOnlyItsChannel) {
  Scripted_SetPictureSize(1920, 1080);
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_EQ(player_->Play_GetPictureSize(5, &width, &height), 0);
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);
  const Calls calls = DecoderCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(
      std::regex_match(calls[0], std::regex(R"(PlayM4_GetPictureSize\(5,[1-9]\d*,[1-9]\d*\))")))
      << calls[0];
  const RECT full{0, 0, 1920, 1080};
  EXPECT_EQ(player_->Play_SetDispRegion(5, 1, &full), 0);
  EXPECT_EQ(player_->Play_SetDispRegion(6, 1, &full), 2);
}

TEST_F(SettingsTest, PictureQualityIsPassedUncheckedAndKeptOnlyWhenAccepted) {
  int32_t quality = -1;
  EXPECT_EQ(player_->Play_GetPicQuality(2, &quality), 0);
  EXPECT_EQ(quality, 0);
  EXPECT_EQ(player_->Play_SetPicQuality(2, -7), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_SetPicQuality(2,-7)"});
  EXPECT_EQ(player_->Play_GetPicQuality(2, &quality), 0);
  EXPECT_EQ(quality, -7);
  EXPECT_EQ(player_->Play_GetPicQuality(3, &quality), 0);
  EXPECT_EQ(quality, 0);

  Scripted_FailAlways("PlayM4_SetPicQuality");
  Scripted_SetLastError(2, 13);
  Scripted_ClearCalls();
  EXPECT_EQ(player_->Play_SetPicQuality(2, 99), 14);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_SetPicQuality(2,99)", "PlayM4_GetLastError(2)"}));
  EXPECT_EQ(ErrorMessages(),
            std::vector<std::string>{Reported(common::kDecoderError13, "PlayM4_SetPicQuality()")});
  EXPECT_EQ(player_->Play_GetPicQuality(2, &quality), 0);
  EXPECT_EQ(quality, -7);
}

// --- Video parameters ---------------------------------------------------------

TEST_F(SettingsTest, OnlyTheFirstTwoVideoValuesHaveARange) {
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 50, 50, 50, 50, 0}));
  VideoPara para{7, 100, 0, -5, 1000, 9};
  EXPECT_EQ(player_->Play_SetVideoPara(3, &para, 0), 0);
  EXPECT_EQ(WordsOf(para), (Words{7, 100, 0, -5, 1000, 9}));
  // The reserved words are never stored.
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 100, 0, -5, 1000, 0}));
  EXPECT_EQ(WordsOf(StoredPara(4)), (Words{0, 50, 50, 50, 50, 0}));
  EXPECT_TRUE(DecoderCalls().empty());
}

TEST_F(SettingsTest, AVideoValueOutOfRangeChangesNeitherTheChannelNorTheCallersRecord) {
  VideoPara stored{0, 1, 2, 3, 4, 0};
  ASSERT_EQ(player_->Play_SetVideoPara(3, &stored, 0), 0);
  const VideoPara refused[] = {{7, 101, 20, 30, 40, 9},
                               {7, 10, -1, 30, 40, 9},
                               {7, -1, 20, 30, 40, 9},
                               {7, 10, 101, 30, 40, 9}};
  for (const int32_t useDefault : {0, 1}) {
    for (const VideoPara& values : refused) {
      SCOPED_TRACE(::testing::PrintToString(WordsOf(values)) + " useDefault " +
                   std::to_string(useDefault));
      VideoPara para = values;
      EXPECT_EQ(player_->Play_SetVideoPara(3, &para, useDefault), 2);
      EXPECT_EQ(WordsOf(para), WordsOf(values));
    }
  }
  EXPECT_EQ(RefusalPlaces().size(), 2 * std::size(refused));
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 1, 2, 3, 4, 0}));
}

TEST_F(SettingsTest, DefaultsAreWrittenIntoTheCallersRecordAfterTheCheck) {
  VideoPara para{7, 10, 20, 30, 40, 9};
  EXPECT_EQ(player_->Play_SetVideoPara(3, &para, -3), 0);
  EXPECT_EQ(WordsOf(para), (Words{7, 50, 50, 50, 50, 9}));
  VideoPara changed{0, 1, 2, 3, 4, 0};
  ASSERT_EQ(player_->Play_SetVideoPara(3, &changed, 0), 0);
  VideoPara defaults{0, 60, 70, -1, -1, 0};
  EXPECT_EQ(player_->Play_SetVideoPara(3, &defaults, 1), 0);
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 50, 50, 50, 50, 0}));
}

TEST_F(SettingsTest, OnlyASuccessfulCloseRestoresTheDefaultVideoValues) {
  OpenChannel(3);
  VideoPara para{0, 1, 2, 3, 4, 0};
  ASSERT_EQ(player_->Play_SetVideoPara(3, &para, 0), 0);
  ASSERT_EQ(player_->Play_SetVideoPara(4, &para, 0), 0);
  Scripted_FailNthCall("PlayM4_Stop", 1);
  ASSERT_NE(player_->Play_CloseStream(3), 0);
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 1, 2, 3, 4, 0}));
  ASSERT_EQ(player_->Play_CloseStream(3), 0);
  EXPECT_EQ(WordsOf(StoredPara(3)), (Words{0, 50, 50, 50, 50, 0}));
  EXPECT_EQ(WordsOf(StoredPara(4)), (Words{0, 1, 2, 3, 4, 0}));
}

// --- Frame dropping -----------------------------------------------------------

TEST_F(SettingsTest, FrameDropCountsZeroToTwoAreRecorded) {
  EXPECT_EQ(ThrowNum(31), 0);
  for (const int32_t count : {2, 0, 1}) {
    Scripted_ClearCalls();
    EXPECT_EQ(player_->Play_ThrowFrame(31, count), 0);
    EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_ThrowBFrameNum(31," + std::to_string(count) + ")"});
    EXPECT_EQ(ThrowNum(31), count);
  }
  EXPECT_EQ(ThrowNum(30), 0);
  Scripted_ClearCalls();
  EXPECT_EQ(player_->Play_ThrowFrame(31, 3), 2);
  EXPECT_EQ(player_->Play_ThrowFrame(31, -1), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(ThrowNum(31), 1);
  EXPECT_EQ(RefusalPlaces().size(), 2u);
}

TEST_F(SettingsTest, ARefusedFrameDropIsRecordedAndLoggedOnlyFromLevelTwo) {
  Scripted_FailAlways("PlayM4_ThrowBFrameNum");
  Scripted_SetLastError(3, 21);
  for (const int32_t level : {1, 2}) {
    SCOPED_TRACE("debug level " + std::to_string(level));
    Configure(level);
    EXPECT_EQ(player_->Play_ThrowFrame(3, level), 0);
    EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_ThrowBFrameNum(3," + std::to_string(level) + ")",
                                     "PlayM4_GetLastError(3)"}));
  }
  EXPECT_EQ(TracedNames(), std::vector<std::string>{"Play_ThrowFrame"});
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].value[0], "21");
  EXPECT_EQ(errors[0].value[2], Reported(common::kDecoderError21, "PlayM4_ThrowBFrameNum()"));
  EXPECT_EQ(ThrowNum(3), 2);
}

TEST_F(SettingsTest, AFrameDropOnABadChannelIsLoggedEvenAtLevelZero) {
  EXPECT_EQ(player_->Play_ThrowFrame(40, 1), 2);
  EXPECT_TRUE(Traces().empty());
  EXPECT_EQ(RefusalPlaces().size(), 1u);
}

TEST_F(SettingsTest, TheFrameDropCountOutlivesTheStream) {
  OpenChannel(3);
  ASSERT_EQ(player_->Play_ThrowFrame(3, 2), 0);
  ASSERT_EQ(player_->Play_CloseStream(3), 0);
  OpenChannel(3);
  EXPECT_EQ(ThrowNum(3), 2);
}

// --- Buffers, refresh and header length ------------------------------------

TEST_F(SettingsTest, ClearBufferAndRefreshEachMakeOneReportedCall) {
  struct Row {
    const char* label;
    int32_t (SinglePlayer::*operation)(int32_t);
    std::string call;
    const char* context;
  };
  const Row rows[] = {
      {"clear", &SinglePlayer::Play_ClearBuffer, "PlayM4_ResetSourceBuffer(6)",
       "PlayM4_ResetSourceBuffer()"},
      {"refresh", &SinglePlayer::Play_RefreshPlay, "PlayM4_RefreshPlay(6)", "PlayM4_RefreshPlay()"},
  };
  Scripted_SetLastError(6, 19);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    Scripted_ClearCalls();
    EXPECT_EQ((player_->*row.operation)(6), 0);
    EXPECT_EQ(DecoderCalls(), Calls{row.call});

    Scripted_FailNthCall(row.call.substr(0, row.call.find('(')).c_str(), 1);
    Scripted_ClearCalls();
    EXPECT_EQ((player_->*row.operation)(6), 20);
    EXPECT_EQ(DecoderCalls(), (Calls{row.call, "PlayM4_GetLastError(6)"}));
    ASSERT_FALSE(Errors().empty());
    EXPECT_EQ(Errors().back().value[2], Reported(common::kDecoderError19, row.context));
  }
}

TEST_F(SettingsTest, TheRemainingDataSizeIsPassedOnAsTheDecoderGivesIt) {
  for (const uint32_t remain : {0u, 51200u, 0xFFFFFFFFu}) {
    Scripted_SetSourceBufferRemain(remain);
    Scripted_ClearCalls();
    uint32_t size = 7;
    EXPECT_EQ(player_->Play_GetBufferRemainDataSize(6, &size), 0);
    EXPECT_EQ(size, remain);
    EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_GetSourceBufferRemain(6)"});
  }
}

TEST_F(SettingsTest, TheHeaderLengthNeedsNoChannel) {
  Configure(1);
  uint32_t length = 0;
  EXPECT_EQ(player_->Play_GetHeadLen(&length), 0);
  EXPECT_EQ(length, 40u);
  Scripted_SetFileHeadLength(4096);
  EXPECT_EQ(player_->Play_GetHeadLen(&length), 0);
  EXPECT_EQ(length, 4096u);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_GetFileHeadLength()", "PlayM4_GetFileHeadLength()"}));
  const std::vector<LogEntry> traces = Traces();
  ASSERT_EQ(traces.size(), 2u);
  EXPECT_EQ(traces[0].label[0], common::kTraceGetHeadLen);
  EXPECT_EQ(traces[0].value[0], "Play_GetHeadLen");
}

}  // namespace
}  // namespace tests
