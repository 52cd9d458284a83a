// The POSIX platform for real: its stand-in for the Windows system drive,
// and how the logs meet the end of a process.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "My820xPlaySDK.h"
#include "Platform.h"
#include "ScriptedDecoder.h"
#include "TestFiles.h"
#include "TestPlatform.h"
#include "TraceLog.h"

// Ending the process from a signal handler is the client's choice that the
// test plays: ThreadSanitizer is not to report the calls exit() makes there.
// Options given in TSAN_OPTIONS still apply.
extern "C" const char* __tsan_default_options() { return "report_signal_unsafe=0"; }

namespace tests {
namespace {

// An environment variable set or unset for one test, as it was afterwards.
class ScopedVariable {
 public:
  explicit ScopedVariable(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value;
  }
  ~ScopedVariable() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  void Set(const std::string& value) { setenv(name_, value.c_str(), 1); }
  void Unset() { unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// HOME and XDG_STATE_HOME point into the test's directory, so that the
// default root is made there and nowhere else.
class DriveRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.Set(dir_.path() + "home");
    state_.Set(dir_.path() + "state");
    driveRoot_.Unset();
  }
  TempDirectory dir_;
  ScopedVariable home_{"HOME"};
  ScopedVariable state_{"XDG_STATE_HOME"};
  ScopedVariable driveRoot_{"Q81_DRIVE_ROOT"};
};

TEST_F(DriveRootTest, RootComesFromTheEnvironment) {
  platform::Platform& platform = platform::OsPlatform();
  std::string root;
  driveRoot_.Set("/srv/drive");
  ASSERT_TRUE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(root, "/srv/drive/");
  EXPECT_EQ(platform.PrimaryDriveRoot(), "/srv/drive/");

  // Empty: no system directory, and the fallback is the file system's root.
  driveRoot_.Set("");
  EXPECT_FALSE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(platform.PrimaryDriveRoot(), "/");
}

// Without Q81_DRIVE_ROOT the root is the user's own directory, made when
// missing: in XDG_STATE_HOME when that is absolute, else in ~/.local/state.
TEST_F(DriveRootTest, WithoutARootTheUsersStateDirectoryIsMade) {
  struct Case {
    std::optional<std::string> state;
    std::string root;
  };
  const Case cases[] = {
      {dir_.path() + "state", dir_.path() + "state/kelo820-playsdk/"},
      {dir_.path() + "state/", dir_.path() + "state/kelo820-playsdk/"},
      {std::nullopt, dir_.path() + "home/.local/state/kelo820-playsdk/"},
      {std::string("relative/state"), dir_.path() + "home/.local/state/kelo820-playsdk/"},
  };
  platform::Platform& platform = platform::OsPlatform();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state.value_or("(unset)"));
    if (c.state) {
      state_.Set(*c.state);
    } else {
      state_.Unset();
    }
    std::string root;
    ASSERT_TRUE(platform.SystemDriveRoot(&root));
    EXPECT_EQ(root, c.root);
    EXPECT_TRUE(IsDirectory(root));
    EXPECT_EQ(platform.PrimaryDriveRoot(), c.root);
  }
}

TEST_F(DriveRootTest, PlayerFindsItsConfigurationUnderTheRoot) {
  driveRoot_.Set(dir_.path());
  MakeDirectories(dir_.path() + "q81/cfg");
  WriteBytes(dir_.path() + "q81/cfg/Q81.cfg", "[GLOBAL]\n[DEBUG_LEVEL] [1]\n");
  Scripted_Reset();
  src::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().ErrorLogFile(), dir_.path() + "q81/q81_error.log");
  EXPECT_EQ(player.Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player.debugLevel(), 1);
  EXPECT_TRUE(IsDirectory(dir_.path() + "pindo"));
  EXPECT_EQ(player.traceLog().RuntimeLogFile(), dir_.path() + "pindo/ZQ_Player_Runtime.log");
}

TEST_F(DriveRootTest, ByDefaultTheLogsLandInTheUsersDirectory) {
  const std::string root = dir_.path() + "state/kelo820-playsdk/";
  Scripted_Reset();
  src::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().ErrorLogFile(), root + "q81/q81_error.log");
  EXPECT_EQ(player.Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player.Play_CloseStream(2), 3);
  EXPECT_EQ(player.traceLog().ErrorLogFile(), root + "pindo/ZQ_Player_Error.log");
  EXPECT_TRUE(FileExists(root + "pindo/ZQ_Player_Error.log"));
}

TEST_F(DriveRootTest, AnEmptyRootMeansNoSystemDirectory) {
  driveRoot_.Set("");
  Scripted_Reset();
  src::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().RuntimeLogFile(), "/q81/q81_runtime.log");
  EXPECT_EQ(player.Play_InitDDraw(nullptr), -1);
  EXPECT_EQ(Scripted_CallCount(), 0);
}

constexpr int kStatusFromTheHandler = 5;

// A client ends its process from a signal handler that interrupted one of
// its own log appends: the process ends with the handler's status rather
// than wait for the append that the handler itself holds up.
TEST(ProcessEndTest, AnExitFromAHandlerThatInterruptedAnAppendEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDirectory dir;
  EXPECT_EXIT(
      {
        alarm(20);  // a process that hangs ends by this signal, not with the status
        signal(SIGUSR1, [](int) { std::exit(kStatusFromTheHandler); });
        TestPlatform platform(dir.path());
        platform.set_after_append([](const std::string&) { raise(SIGUSR1); });
        logging::TraceLog::WriteEntry(dir.path() + "log", "a", "b", "", "", "", "");
      },
      ::testing::ExitedWithCode(kStatusFromTheHandler), "");
}

}  // namespace
}  // namespace tests
