// The POSIX stand-in for the Windows system drive, through the real platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "My820xPlaySDK.h"
#include "Platform.h"
#include "ScriptedDecoder.h"
#include "TestFiles.h"

namespace kelo_test {
namespace {

class DriveRootTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("Q81_DRIVE_ROOT"); }
  TempDirectory dir_;
};

TEST_F(DriveRootTest, RootComesFromTheEnvironment) {
  kelo::Platform& platform = kelo::OsPlatform();
  std::string root;
  unsetenv("Q81_DRIVE_ROOT");
  ASSERT_TRUE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(root, "/");

  setenv("Q81_DRIVE_ROOT", "/srv/drive", 1);
  ASSERT_TRUE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(root, "/srv/drive/");

  setenv("Q81_DRIVE_ROOT", "", 1);
  EXPECT_FALSE(platform.SystemDriveRoot(&root));
  EXPECT_EQ(platform.PrimaryDriveRoot(), "/");

  setenv("Q81_DRIVE_ROOT", "/srv/drive", 1);
  EXPECT_EQ(platform.PrimaryDriveRoot(), "/srv/drive/");
}

TEST_F(DriveRootTest, PlayerFindsItsConfigurationUnderTheRoot) {
  setenv("Q81_DRIVE_ROOT", dir_.path().c_str(), 1);
  MakeDirectories(dir_.path() + "q81/cfg");
  WriteBytes(dir_.path() + "q81/cfg/Q81.cfg", "[GLOBAL]\n[DEBUG_LEVEL] [1]\n");
  Scripted_Reset();
  kelo::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().ErrorLogFile(), dir_.path() + "q81/q81_error.log");
  EXPECT_EQ(player.Play_InitDDraw(nullptr), 0);
  EXPECT_EQ(player.debugLevel(), 1);
  EXPECT_TRUE(IsDirectory(dir_.path() + "pindo"));
  EXPECT_EQ(player.traceLog().RuntimeLogFile(), dir_.path() + "pindo/ZQ_Player_Runtime.log");
}

TEST_F(DriveRootTest, AnEmptyRootMeansNoSystemDirectory) {
  setenv("Q81_DRIVE_ROOT", "", 1);
  Scripted_Reset();
  kelo::My820xPlaySDK player;
  EXPECT_EQ(player.traceLog().RuntimeLogFile(), "/q81/q81_runtime.log");
  EXPECT_EQ(player.Play_InitDDraw(nullptr), -1);
  EXPECT_EQ(Scripted_CallCount(), 0);
}

}  // namespace
}  // namespace kelo_test
