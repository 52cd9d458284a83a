// The single player, display initialisation and decoder error reporting.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "GbkTexts.h"
#include "My820xPlaySDK.h"
#include "PlayerFixture.h"

namespace tests {
namespace {

TEST_F(PlayerTest, CreateHandsOutOneObjectUntilReleased) {
  EXPECT_EQ(CreateSinglePlayerDll(), player_);

  // Foreign, stale and null pointers leave it alive.
  int notAPlayer = 0;
  ReleaseSinglePlayerDll(reinterpret_cast<SinglePlayer*>(&notAPlayer));
  ReleaseSinglePlayerDll(nullptr);
  EXPECT_EQ(CreateSinglePlayerDll(), player_);

  OpenChannel(4);
  VideoPara para{0, 1, 2, 3, 4, 0};
  ASSERT_EQ(player_->Play_SetVideoPara(4, &para, 0), 0);
  ReleaseSinglePlayerDll(player_);
  player_ = CreateSinglePlayerDll();

  // A fresh player starts from the construction values.
  int32_t state = -1;
  EXPECT_EQ(player_->Play_GetPlayState(4, &state), 0);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(player_->Play_GetVideoPara(4, &para), 0);
  EXPECT_EQ(para.value1, 50);
  EXPECT_EQ(para.value4, 50);
  int32_t mode = -1;
  uint32_t key = 0;
  EXPECT_EQ(player_->Play_GetPreviewMode(31, &mode, &key), 0);
  EXPECT_EQ(mode, 0);
  EXPECT_EQ(key, 0x00FF00FFu);
  int32_t volume = -1;
  EXPECT_EQ(player_->Play_GetVolume(0, &volume), 0);
  EXPECT_EQ(volume, 0);
}

TEST_F(PlayerTest, ConstructionTouchesNeitherDecoderNorConfiguration) {
  ReleaseSinglePlayerDll(player_);
  Scripted_ClearCalls();
  player_ = CreateSinglePlayerDll();
  EXPECT_TRUE(DecoderCalls().empty());
  auto* player = static_cast<src::My820xPlaySDK*>(player_);
  EXPECT_EQ(player->debugLevel(), 0);
  EXPECT_EQ(player->traceLog().RuntimeLogFile(), drive_.path() + "q81/q81_runtime.log");
  EXPECT_EQ(player->traceLog().ErrorLogFile(), drive_.path() + "q81/q81_error.log");
}

// ---------------------------------------------------------------------------
// Display initialisation

class InitDDrawTest : public PlayerTest {
 protected:
  void WriteConfig(const std::string& body) {
    MakeDirectories(drive_.path() + "q81/cfg");
    WriteBytes(drive_.path() + "q81/cfg/Q81.cfg", body);
  }
  src::My820xPlaySDK& player() { return *static_cast<src::My820xPlaySDK*>(player_); }
};

TEST_F(InitDDrawTest, WithoutConfigurationLogsGoToTheDefaultDirectory) {
  int window = 0;
  EXPECT_EQ(player_->Play_InitDDraw(reinterpret_cast<WindowHandle>(&window)), 0);
  EXPECT_TRUE(IsDirectory(drive_.path() + "pindo"));
  EXPECT_EQ(player().traceLog().RuntimeLogFile(), drive_.path() + "pindo/ZQ_Player_Runtime.log");
  EXPECT_EQ(player().traceLog().ErrorLogFile(), drive_.path() + "pindo/ZQ_Player_Error.log");
  EXPECT_EQ(player().debugLevel(), 0);
  EXPECT_EQ(DecoderCalls(),
            std::vector<std::string>{"PlayM4_InitDDraw(" +
                                     std::to_string(reinterpret_cast<uintptr_t>(&window)) + ")"});
}

TEST_F(InitDDrawTest, TracePathIsNormalisedAndCreated) {
  std::string backslashed = drive_.path() + "logs\\player";
  WriteConfig("[GLOBAL]\n[TRACE_PATH] [" + backslashed + "]\n[DEBUG_LEVEL] [2]\n");
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
  EXPECT_TRUE(IsDirectory(drive_.path() + "logs/player"));
  EXPECT_EQ(player().traceLog().ErrorLogFile(), drive_.path() + "logs/player/ZQ_Player_Error.log");
  EXPECT_EQ(player().debugLevel(), 2);
}

// As atoi reads it, except that values beyond an int are held at its ends
// rather than overflow.
TEST_F(InitDDrawTest, DebugLevelFollowsAtoi) {
  const struct {
    const char* text;
    int32_t level;
  } cases[] = {{"2", 2},
               {"abc", 0},
               {"-1", -1},
               {"  7x", 7},
               {"+3", 3},
               {"", 0},
               {"2147483647", INT32_MAX},
               {"99999999999999999999", INT32_MAX},
               {"-2147483649", INT32_MIN}};
  for (const auto& c : cases) {
    WriteConfig("[GLOBAL]\n[TRACE_PATH] [" + drive_.path() + "logs/]\n[DEBUG_LEVEL] [" + c.text +
                "]\n");
    EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
    EXPECT_EQ(player().debugLevel(), c.level) << c.text;
  }
  WriteConfig("[GLOBAL]\n[DEBUG_LEVEL]\n");
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player().debugLevel(), 0);
}

TEST_F(InitDDrawTest, NegativeLevelWritesNoTraces) {
  WriteConfig("[GLOBAL]\n[TRACE_PATH] [" + LogDirectory() + "]\n[DEBUG_LEVEL] [-1]\n");
  ASSERT_EQ(player_->Play_InitDDraw(nullptr), 0);
  int32_t state = 0;
  player_->Play_GetPlayState(0, &state);
  EXPECT_FALSE(FileExists(RuntimeLogPath()));
}

TEST_F(InitDDrawTest, EveryCallRereadsTheConfiguration) {
  Configure(1);
  WriteConfig("[GLOBAL]\n[TRACE_PATH] [" + drive_.path() + "second/]\n[DEBUG_LEVEL] [0]\n");
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player().traceLog().RuntimeLogFile(), drive_.path() + "second/ZQ_Player_Runtime.log");
  EXPECT_EQ(player().debugLevel(), 0);
  EXPECT_EQ(DecoderCalls(), std::vector<std::string>{"PlayM4_InitDDraw(0)"});
}

TEST_F(InitDDrawTest, FailingDecoderDisplayIsLoggedAndStillSucceeds) {
  Scripted_FailAlways("PlayM4_InitDDraw");
  Configure(0);
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].value[0], "0");
  EXPECT_EQ(errors[0].value[2], "PlayM4_InitDDraw() error");
  EXPECT_EQ(errors[0].value[1].rfind("Source File: [My820xPlaySDK.cpp], LINE: [", 0), 0u);
  // GetLastError is not asked.
  EXPECT_TRUE(DecoderCalls().empty());
}

TEST_F(InitDDrawTest, NoSystemDirectoryChangesNothing) {
  platform_.set_system_directory_available(false);
  WriteConfig("[GLOBAL]\n[TRACE_PATH] [" + LogDirectory() + "]\n[DEBUG_LEVEL] [2]\n");
  Scripted_ClearCalls();
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), -1);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(player().debugLevel(), 0);
  EXPECT_FALSE(FileExists(LogDirectory()));
}

TEST_F(InitDDrawTest, AnEmptyTracePathPutsTheLogsInTheCurrentDirectory) {
  WriteConfig("[GLOBAL]\n[TRACE_PATH] []\n");
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player().traceLog().RuntimeLogFile(), "ZQ_Player_Runtime.log");
}

TEST_F(InitDDrawTest, ReleaseCallsTheDecoderAnyway) {
  EXPECT_EQ(player_->Play_ReleaseDDraw(), 0);
  EXPECT_EQ(DecoderCalls(), std::vector<std::string>{"PlayM4_RealeseDDraw()"});
  Configure(0);
  Scripted_FailAlways("PlayM4_RealeseDDraw");
  EXPECT_EQ(player_->Play_ReleaseDDraw(), 0);
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{"MP4Play_RealeseDDraw() error"});
}

// ---------------------------------------------------------------------------
// Decoder error reporting

TEST_F(PlayerTest, DecoderErrorsBecomeWordsAndResultCodes) {
  Configure(0);
  const char* const words[] = {
      common::kDecoderError1,  common::kDecoderError2,  common::kDecoderError3,
      common::kDecoderError4,  common::kDecoderError5,  common::kDecoderError6,
      common::kDecoderError7,  common::kDecoderError8,  common::kDecoderError9,
      common::kDecoderError10, common::kDecoderError11, common::kDecoderError12,
      common::kDecoderError13, common::kDecoderError14, common::kDecoderError15,
      common::kDecoderError16, common::kDecoderError17, common::kDecoderError18,
      common::kDecoderError19, common::kDecoderError20, common::kDecoderError21,
      common::kDecoderError22, common::kDecoderError23};
  auto& player = *static_cast<src::My820xPlaySDK*>(player_);
  std::vector<int32_t> codes;
  for (int32_t code = -1; code <= 25; ++code) codes.push_back(code);
  codes.push_back(INT32_MIN);
  std::vector<std::string> lines;
  for (int32_t code : codes) {
    const int32_t result = player.ReportDecoderError(code, "ctx()");
    const bool known = code >= 1 && code <= 23;
    EXPECT_EQ(result, known ? code + 1 : 26) << code;
    EXPECT_NE(result, 1);
    EXPECT_NE(result, 25);
  }
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), codes.size());
  std::vector<std::string> knownLines;
  for (size_t i = 0; i < codes.size(); ++i) {
    const int32_t code = codes[i];
    const bool known = code >= 1 && code <= 23;
    EXPECT_EQ(errors[i].value[0], std::to_string(code));
    const std::string expected =
        std::string(known ? words[code - 1] : common::kDecoderErrorUnknown) + "\nctx()";
    EXPECT_EQ(errors[i].value[2], expected) << code;
    if (known) knownLines.push_back(errors[i].value[1]);
  }
  // Each row writes from a statement of its own.
  std::sort(knownLines.begin(), knownLines.end());
  EXPECT_EQ(std::unique(knownLines.begin(), knownLines.end()), knownLines.end());
}

TEST_F(PlayerTest, ErrorsAreReportedAtEveryDebugLevelWithTheContextAsGiven) {
  Configure(0);
  auto& player = *static_cast<src::My820xPlaySDK*>(player_);
  player.ReportDecoderError(17, "PlayM4_OpenStream");
  player.ReportDecoderError(3, "");
  EXPECT_EQ(ErrorMessages(),
            (std::vector<std::string>{std::string(common::kDecoderError17) + "\nPlayM4_OpenStream",
                                      std::string(common::kDecoderError3) + "\n"}));
  EXPECT_FALSE(FileExists(RuntimeLogPath()));
}

}  // namespace
}  // namespace tests
