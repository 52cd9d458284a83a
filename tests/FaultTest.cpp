// Faults in the environment and extreme arguments: logs that cannot be
// written, configuration that cannot be read, very long paths, very large
// blocks and channels at the ends of the integer range. None of them may
// crash the player or change what it answers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ConfigFile.h"
#include "DirectoryPath.h"
#include "GbkTexts.h"
#include "My820xPlaySDK.h"
#include "PlayerFixture.h"
#include "TraceLog.h"

namespace tests {
namespace {

namespace fs = std::filesystem;

// What a client sees of a session: every result and every decoder call.
struct Outcome {
  std::vector<int32_t> results;
  std::vector<std::string> calls;
};

// The decoder calls with the address of each displayed picture left out: the
// display thread allocates it afresh for every capture.
std::vector<std::string> CallsWithoutFrameAddresses() {
  const std::string conversion = "PlayM4_ConvertToBmpFile(";
  std::vector<std::string> calls = DecoderCalls();
  for (std::string& call : calls) {
    if (call.rfind(conversion, 0) != 0) continue;
    call.replace(conversion.size(), call.find(',') - conversion.size(), "frame");
  }
  return calls;
}

// Tests run as root here, which writes into read-only directories anyway; a
// log directory that cannot be written is therefore made unreachable in ways
// that stop root too.
enum class BrokenLog {
  kPathThroughAPlainFile,   // TRACE_PATH runs through a file
  kDirectoryRemovedLater,   // the log directory goes after initialisation
  kLogFilesAreDirectories,  // both log names are taken by directories
};

class BrokenLogTest : public PlayerTest, public ::testing::WithParamInterface<BrokenLog> {
 protected:
  void WriteConfig(const std::string& traceDirectory) {
    MakeDirectories(drive_.path() + "q81/cfg");
    WriteBytes(drive_.path() + "q81/cfg/Q81.cfg",
               "[GLOBAL]\n[TRACE_PATH] [" + traceDirectory + "]\n[DEBUG_LEVEL] [2]\n");
  }

  // A session at debug level 2 that writes traces, refusals, reported
  // decoder errors and entries from the display thread.
  Outcome RunSession() {
    Scripted_SetLastError(3, 7);
    Scripted_SetFramesPerCallback(2);
    Scripted_FailNextCalls("PlayM4_InputData", 10);
    Scripted_FailNthCall("PlayM4_Fast", 1);
    Scripted_FailNthCall("PlayM4_ConvertToBmpFile", 1);
    const std::string capture = drive_.path() + "capture.bmp";
    int32_t volume = -1;
    VideoPara outOfRange{0, 101, 0, 0, 0, 0};
    Outcome outcome;
    outcome.results = {
        player_->Play_OpenStream(nullptr, 3, header_, sizeof header_, 0),
        player_->Play_InputData(3, block_, sizeof block_, 0),
        player_->Play_InputData(3, block_, sizeof block_, 0),
        player_->Play_PlayState(3, 3),
        player_->Play_PlayState(3, 2),
        player_->Play_PlayState(7, 1),
        player_->Play_GetPicture(3, capture.c_str()),
        player_->Play_GetPicture(3, capture.c_str()),
        player_->Play_SetVolume(3, 50),
        player_->Play_GetVolume(3, &volume),
        volume,
        player_->Play_SetVideoPara(3, &outOfRange, 0),
        player_->Play_CloseStream(3),
        player_->Play_CloseStream(3),
        player_->Play_InputData(40, block_, sizeof block_, 0),
    };
    outcome.calls = CallsWithoutFrameAddresses();
    return outcome;
  }

  // A fresh player and decoder script, as at the start of the test.
  void Restart() {
    ReleaseSinglePlayerDll(player_);
    Scripted_Reset();
    player_ = CreateSinglePlayerDll();
  }
};

TEST_P(BrokenLogTest, EntriesAreDroppedAndResultsStayTheSame) {
  Configure(2);
  const Outcome reference = RunSession();
  ASSERT_EQ(reference.results,
            (std::vector<int32_t>{0, 8, 0, 8, 0, 3, 8, 0, 0, 0, 50, 2, 0, 3, 2}));
  ASSERT_FALSE(Traces().empty());
  ASSERT_GE(Errors().size(), 5u);
  fs::remove_all(LogDirectory());

  Restart();
  const std::string plainFile = drive_.path() + "plain";
  switch (GetParam()) {
    case BrokenLog::kPathThroughAPlainFile:
      WriteBytes(plainFile, "contents");
      WriteConfig(plainFile + "/logs/");
      ASSERT_EQ(player_->Play_InitDDraw(nullptr), 0);
      break;
    case BrokenLog::kDirectoryRemovedLater:
      WriteConfig(LogDirectory());
      ASSERT_EQ(player_->Play_InitDDraw(nullptr), 0);
      ASSERT_TRUE(IsDirectory(LogDirectory()));
      fs::remove_all(LogDirectory());
      break;
    case BrokenLog::kLogFilesAreDirectories:
      MakeDirectories(RuntimeLogPath());
      MakeDirectories(ErrorLogPath());
      WriteConfig(LogDirectory());
      ASSERT_EQ(player_->Play_InitDDraw(nullptr), 0);
      break;
  }
  Scripted_ClearCalls();
  const Outcome broken = RunSession();

  EXPECT_EQ(broken.results, reference.results);
  EXPECT_EQ(broken.calls, reference.calls);
  switch (GetParam()) {
    case BrokenLog::kPathThroughAPlainFile:
      EXPECT_EQ(ReadBytes(plainFile), "contents");
      break;
    case BrokenLog::kDirectoryRemovedLater:
      EXPECT_FALSE(FileExists(LogDirectory()));
      break;
    case BrokenLog::kLogFilesAreDirectories:
      EXPECT_TRUE(fs::is_empty(RuntimeLogPath()));
      EXPECT_TRUE(fs::is_empty(ErrorLogPath()));
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, BrokenLogTest,
                         ::testing::Values(BrokenLog::kPathThroughAPlainFile,
                                           BrokenLog::kDirectoryRemovedLater,
                                           BrokenLog::kLogFilesAreDirectories));

// ---------------------------------------------------------------------------
// Rotation against the real file system

TEST(RotationFaultTest, ABackupNameTakenByADirectoryKeepsTheLogGrowingInPlace) {
  TempDirectory dir;
  TestPlatform platform(dir.path());
  const std::string log = dir.path() + "run.log";
  const size_t full = static_cast<size_t>(logging::TraceLog::kRotateAboveBytes);
  WriteBytes(log, std::string(full, 'x'));
  MakeDirectories(log + ".bak");
  WriteBytes(log + ".bak/kept", "kept");

  logging::TraceLog trace;
  trace.SetRuntimeLogFile(log);
  trace.WriteTrace("a", "b", "", "", "", "");
  const size_t entry = WithLineEnds("\n[07-15 09:03:27.45]\na:[b]\n:[]\n:[]\n").size();
  EXPECT_EQ(ReadBytes(log).size(), full + entry);
  EXPECT_EQ(ReadBytes(log + ".bak/kept"), "kept");

  // Once the name is free again, the next entry rotates.
  fs::remove_all(log + ".bak");
  trace.WriteTrace("a", "b", "", "", "", "");
  EXPECT_FALSE(FileExists(log));
  EXPECT_EQ(ReadBytes(log + ".bak").size(), full + 2 * entry);
}

// A clock that answers nonsense still gives the timestamp printf would.
TEST(ClockFaultTest, FieldsOutsideTheirRangesArePrintedWhole) {
  TempDirectory dir;
  TestPlatform platform(dir.path());
  platform.set_now({123, -5, 7, 100, 0, -20});
  logging::TraceLog log;
  log.SetRuntimeLogFile(dir.path() + "run.log");
  log.WriteTrace("a", "b", "", "", "", "");
  char expected[64];
  std::snprintf(expected, sizeof expected, "\n[%02d-%02d %02d:%02d:%02d.%02u]\na:[b]\n:[]\n:[]\n",
                123, -5, 7, 100, 0, static_cast<unsigned>(-20 / 10));
  EXPECT_EQ(ReadBytes(dir.path() + "run.log"), WithLineEnds(expected));
}

// ---------------------------------------------------------------------------
// Configuration that cannot be read, and paths too long for it

class ConfigFaultTest : public PlayerTest {
 protected:
  std::string ConfigPath() const { return drive_.path() + "q81/cfg/Q81.cfg"; }
  src::My820xPlaySDK& player() { return *static_cast<src::My820xPlaySDK*>(player_); }

  // Play_InitDDraw succeeds with the default trace directory and level 0.
  void ExpectDefaults() {
    EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
    EXPECT_EQ(player().traceLog().RuntimeLogFile(), drive_.path() + "pindo/ZQ_Player_Runtime.log");
    EXPECT_EQ(player().debugLevel(), 0);
    EXPECT_EQ(DecoderCalls(), std::vector<std::string>{"PlayM4_InitDDraw(0)"});
    Scripted_ClearCalls();
  }
};

TEST_F(ConfigFaultTest, AnUnreadableConfigurationMeansTheDefaults) {
  MakeDirectories(ConfigPath());
  ExpectDefaults();

#if !defined(_WIN32)
  // Root reads files whatever their mode; a link to itself cannot be opened
  // by anyone.
  fs::remove(ConfigPath());
  fs::create_symlink(ConfigPath(), ConfigPath());
  ExpectDefaults();
#endif
}

TEST_F(ConfigFaultTest, ATracePathLongerThanAPieceIsNotRead) {
  // 300 characters do not fit the reader's 99-character pieces, so the value
  // never closes and the default directory is used.
  const std::string longPath = drive_.path() + std::string(300 - drive_.path().size(), 'p');
  MakeDirectories(drive_.path() + "q81/cfg");
  WriteBytes(ConfigPath(), "[GLOBAL]\n[TRACE_PATH] [" + longPath + "]\n[DEBUG_LEVEL] [1]\n");
  std::string value = "unchanged";
  EXPECT_EQ(common::ReadConfigValue(ConfigPath(), "GLOBAL", "TRACE_PATH", &value), -1);
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(player_->Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player().traceLog().RuntimeLogFile(), drive_.path() + "pindo/ZQ_Player_Runtime.log");
  EXPECT_EQ(player().debugLevel(), 1);
}

TEST(LongPathTest, A300CharacterDirectoryIsCreatedAndLoggedInto) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows paths end at 260 characters";
#endif
  TempDirectory dir;
  TestPlatform platform(dir.path());
  std::string path = dir.path();
  while (path.size() < 300) path += std::string(40, 'd') + "\\";
  path.resize(300);
  std::string expected = path;
  common::NormaliseDirectoryPath(expected);
  EXPECT_EQ(common::MakeDirectoryPath(path), 0);
  ASSERT_TRUE(IsDirectory(expected));

  logging::TraceLog log;
  log.SetErrorLogFile(expected + "ZQ_Player_Error.log");
  log.WriteError("My820xPlaySDK.cpp", 1, 0, "m");
  EXPECT_EQ(ReadLog(expected + "ZQ_Player_Error.log").size(), 1u);
}

// ---------------------------------------------------------------------------
// Block sizes

TEST_F(PlayerTest, AnEmptyBlockIsRefusedOnAnOpenChannel) {
  Configure(0);
  OpenChannel(6);
  EXPECT_EQ(player_->Play_InputData(6, block_, 0, 0), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(ErrorMessages(), std::vector<std::string>{common::kInvalidParameter});
}

TEST_F(PlayerTest, A64MiBBlockReachesTheDecoderInPlace) {
  Configure(0);
  OpenChannel(6);
  constexpr uint32_t kSize = 64u << 20;
  const std::vector<uint8_t> block(kSize, 0xA5);
  EXPECT_EQ(player_->Play_InputData(6, block.data(), kSize, 0), 0);
  EXPECT_EQ(DecoderCalls(),
            std::vector<std::string>{"PlayM4_InputData(6," +
                                     std::to_string(reinterpret_cast<uintptr_t>(block.data())) +
                                     "," + std::to_string(kSize) + ")"});
  EXPECT_FALSE(FileExists(ErrorLogPath()));
}

}  // namespace
}  // namespace tests
