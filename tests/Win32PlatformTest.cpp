// The Windows services behind the platform, and the player on the real system
// drive. The wine prefix that runs the suite is thrown away afterwards; on a
// real machine the cases that would touch an existing c:/q81 or c:/pindo skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "My820xPlaySDK.h"
#include "Platform.h"
#include "ScriptedDecoder.h"
#include "TestFiles.h"
#include "Win32WordWaits.h"

namespace tests {
namespace {

namespace fs = std::filesystem;

// The drive of the system directory as Windows reports it, e.g. "C:/".
std::string SystemDrive() {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length < 3 || length >= MAX_PATH) return "";
  return std::string(directory, 2) + "/";
}

// A directory on the system drive that a test may create; removed with
// everything in it afterwards.
class SystemDriveDirectory {
 public:
  explicit SystemDriveDirectory(std::string path)
      : path_(std::move(path)), existedBefore_(fs::exists(path_)) {}
  ~SystemDriveDirectory() {
    std::error_code ignored;
    if (!existedBefore_) fs::remove_all(path_, ignored);
  }
  SystemDriveDirectory(const SystemDriveDirectory&) = delete;
  SystemDriveDirectory& operator=(const SystemDriveDirectory&) = delete;

  bool existed_before() const { return existedBefore_; }

 private:
  std::string path_;
  bool existedBefore_;
};

TEST(Win32PlatformTest, DriveRootIsTheSystemDirectorysDrive) {
  platform::Platform& platform = platform::OsPlatform();
  std::string root;
  ASSERT_TRUE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(root, SystemDrive());
  EXPECT_EQ(platform.DriveRootLength(), root.size());
  // Drive c:, whatever the system drive is.
  EXPECT_EQ(platform.PrimaryDriveRoot(), "c:/");
}

TEST(Win32PlatformTest, CreateDirectoryTellsAnExistingOneFromAFailure) {
  TempDirectory dir;
  platform::Platform& platform = platform::OsPlatform();
  EXPECT_EQ(platform.CreateDirectory(dir.path() + "new"),
            platform::CreateDirectoryResult::kCreated);
  EXPECT_TRUE(IsDirectory(dir.path() + "new"));
  EXPECT_EQ(platform.CreateDirectory(dir.path() + "new"),
            platform::CreateDirectoryResult::kAlreadyExists);
  EXPECT_EQ(platform.CreateDirectory(dir.path() + "missing/new"),
            platform::CreateDirectoryResult::kFailed);
}

TEST(Win32PlatformTest, PathMatchesSearchesLikeFindFirstFile) {
  TempDirectory dir;
  platform::Platform& platform = platform::OsPlatform();
  MakeDirectories(dir.path() + "empty");
  WriteBytes(dir.path() + "file", "x");
  // An empty directory still lists "." and "..".
  EXPECT_TRUE(platform.PathMatches(dir.path() + "empty/*"));
  EXPECT_TRUE(platform.PathMatches(dir.path() + "empty"));
  EXPECT_TRUE(platform.PathMatches(dir.path() + "file"));
  EXPECT_FALSE(platform.PathMatches(dir.path() + "missing/*"));
  EXPECT_FALSE(platform.PathMatches(dir.path() + "missing"));
}

// Sleeping on a word both ways: the address waits of Windows 8 and later,
// and the condition variables that stand in for them before.
class WordWaitsTest : public ::testing::TestWithParam<platform::WordWaits::Kind> {};

// Threads hand a turn on, each holding it a moment while the others sleep
// on its word: no wake is lost, or the hand-over would stop, and a sleeper
// returns when woken, not now and then to look again (a nap of Sleep(1)
// did, and so took the lock up to a timer tick late).
TEST_P(WordWaitsTest, ASleeperWakesWhenWokenAndNoWakeIsLost) {
  platform::WordWaits waits(GetParam());
  if (waits.kind() != GetParam()) GTEST_SKIP() << "this system has no address waits";
  constexpr uint32_t kThreads = 3;
  constexpr uint32_t kTurns = kThreads * 20;
  std::atomic<uint32_t> turn{0};
  std::atomic<uint32_t> returnsToTheSameTurn{0};
  std::vector<std::thread> threads;
  for (uint32_t first = 0; first < kThreads; ++first) {
    threads.emplace_back([&, first] {
      for (uint32_t mine = first; mine < kTurns; mine += kThreads) {
        for (uint32_t now = turn.load(); now != mine; now = turn.load()) {
          waits.WaitWhileEqual(turn, now);
          if (turn.load() == now) ++returnsToTheSameTurn;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        turn.store(mine + 1);
        waits.WakeAll(turn);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(turn.load(), kTurns);
  EXPECT_LE(returnsToTheSameTurn.load(), kTurns / 10);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WordWaitsTest,
                         ::testing::Values(platform::WordWaits::Kind::kAddressWaits,
                                           platform::WordWaits::Kind::kConditionVariables),
                         [](const ::testing::TestParamInfo<platform::WordWaits::Kind>& kind) {
                           return kind.param == platform::WordWaits::Kind::kAddressWaits
                                      ? "AddressWaits"
                                      : "ConditionVariables";
                         });

class SystemDriveConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (productDirectory_.existed_before() || defaultTraceDirectory_.existed_before()) {
      GTEST_SKIP() << "c:/q81 or c:/pindo belongs to this machine";
    }
    Scripted_Reset();
  }

  SystemDriveDirectory productDirectory_{SystemDrive() + "q81"};
  SystemDriveDirectory defaultTraceDirectory_{"c:/pindo"};
  TempDirectory traceDirectory_;
};

TEST_F(SystemDriveConfigurationTest, ConfigurationIsReadFromTheSystemDrive) {
  MakeDirectories(SystemDrive() + "q81/cfg");
  // Backslashes, as a Windows user writes the path.
  std::string tracePath = traceDirectory_.path() + "logs";
  for (char& c : tracePath) {
    if (c == '/') c = '\\';
  }
  WriteBytes(SystemDrive() + "q81/cfg/Q81.cfg",
             "[GLOBAL]\r\n[TRACE_PATH] [" + tracePath + "]\r\n[DEBUG_LEVEL] [1]\r\n");

  src::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().RuntimeLogFile(), SystemDrive() + "q81/q81_runtime.log");
  ASSERT_EQ(player.Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player.debugLevel(), 1);
  EXPECT_EQ(player.traceLog().RuntimeLogFile(),
            traceDirectory_.path() + "logs/ZQ_Player_Runtime.log");
  EXPECT_TRUE(IsDirectory(traceDirectory_.path() + "logs"));
}

TEST_F(SystemDriveConfigurationTest, WithoutConfigurationLogsGoToCPindo) {
  src::My820xPlaySDK player;
  ASSERT_EQ(player.Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player.debugLevel(), 0);
  EXPECT_EQ(player.traceLog().ErrorLogFile(), "c:/pindo/ZQ_Player_Error.log");
  EXPECT_TRUE(IsDirectory("c:/pindo"));

  // Text mode: the entry's line feeds reach the file as CR LF.
  Scripted_FailAlways("PlayM4_RealeseDDraw");
  EXPECT_EQ(player.Play_ReleaseDDraw(), 0);
  const std::string bytes = ReadBytes("c:/pindo/ZQ_Player_Error.log");
  EXPECT_EQ(bytes.substr(0, 3), "\r\n[");
  EXPECT_NE(bytes.find("]\r\nErrCode:[0]\r\nContext:["), std::string::npos);
}

}  // namespace
}  // namespace tests
