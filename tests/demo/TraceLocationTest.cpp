#include "TraceLocation.h"

#include <gtest/gtest.h>

namespace demo_viewer {
namespace {

TEST(TraceLocationTest, DriveRootComesFromTheVariableOrIsTheUsersStateDirectory) {
  EXPECT_EQ(DriveRoot("", "/s", "/h"), "/");
  EXPECT_EQ(DriveRoot("/tmp/out", "/s", "/h"), "/tmp/out/");
  EXPECT_EQ(DriveRoot("/tmp/out/", nullptr, nullptr), "/tmp/out/");
  EXPECT_EQ(DriveRoot(nullptr, "/s", "/h"), "/s/kelo820-playsdk/");
  EXPECT_EQ(DriveRoot(nullptr, "relative", "/h"), "/h/.local/state/kelo820-playsdk/");
  EXPECT_EQ(DriveRoot(nullptr, nullptr, "/h"), "/h/.local/state/kelo820-playsdk/");
  EXPECT_EQ(DriveRoot(nullptr, nullptr, nullptr), "/");
  EXPECT_EQ(ConfigFilePath("/tmp/out/"), "/tmp/out/q81/cfg/Q81.cfg");
}

TEST(TraceLocationTest, FindsTracePathAfterTheGlobalHeaderOnly) {
  std::string directory;
  EXPECT_TRUE(TraceDirectoryFromConfig(
      "#settings\n[TRACE_PATH] [/early/]\n [GLOBAL] remark\n[DEBUG_LEVEL] [1]\n"
      "[TRACE_PATH] = [d:\\logs\\player]\n",
      &directory));
  EXPECT_EQ(directory, "d:/logs/player/");
  EXPECT_FALSE(TraceDirectoryFromConfig("[TRACE_PATH] [/early/]\n[GLOBAL]\n", &directory));
  EXPECT_FALSE(TraceDirectoryFromConfig("[GLOBAL]\n#[TRACE_PATH] [/x/]\n", &directory));
}

TEST(TraceLocationTest, AnEmptyValueCountsAndAKeyWithoutValueEndsTheSearch) {
  std::string directory = "unchanged";
  EXPECT_TRUE(TraceDirectoryFromConfig("[GLOBAL]\n[TRACE_PATH] []\n", &directory));
  EXPECT_EQ(directory, "");
  EXPECT_FALSE(
      TraceDirectoryFromConfig("[GLOBAL]\n[TRACE_PATH]\n[TRACE_PATH] [/x/]\n", &directory));
}

TEST(TraceLocationTest, DescriptionNamesTheDefaultDirectoryWithoutAConfigFile) {
  const std::string text = DescribeLogLocation("/nonexistent/q81/cfg/Q81.cfg", "/nonexistent/");
  EXPECT_NE(text.find("/nonexistent/pindo/ZQ_Player_Runtime.log"), std::string::npos) << text;
  EXPECT_NE(text.find("/nonexistent/pindo/ZQ_Player_Error.log"), std::string::npos) << text;
}

}  // namespace
}  // namespace demo_viewer
