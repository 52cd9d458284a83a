#include "ViewerOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace demo_viewer {
namespace {

bool Parse(std::vector<const char*> arguments, ViewerOptions* options, std::string* error) {
  arguments.insert(arguments.begin(), "kelo_demo_viewer");
  return ParseViewerOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(ViewerOptionsTest, ReadsEveryOptionAndKeepsStreamsInOrder) {
  ViewerOptions options;
  std::string error;
  ASSERT_TRUE(
      Parse({"a.kst", "--grid", "9", "--seconds", "12.5", "--capture-at", "4", "--screenshot",
             "shot.ppm", "--screenshot-at", "5", "--out", "/tmp/o", "--quality", "fast", "b.kst"},
            &options, &error))
      << error;
  EXPECT_EQ(options.tileCount, 9);
  EXPECT_DOUBLE_EQ(options.seconds, 12.5);
  EXPECT_DOUBLE_EQ(options.captureAt, 4);
  EXPECT_EQ(options.screenshotPath, "shot.ppm");
  EXPECT_DOUBLE_EQ(options.screenshotAt, 5);
  EXPECT_EQ(options.outputDirectory, "/tmp/o");
  EXPECT_EQ(options.picQuality, 0);
  EXPECT_EQ(options.streams, (std::vector<std::string>{"a.kst", "b.kst"}));
  EXPECT_FALSE(options.showHelp);
}

TEST(ViewerOptionsTest, DefaultsRunUntilQuitWithoutCaptures) {
  ViewerOptions options;
  std::string error;
  ASSERT_TRUE(Parse({}, &options, &error));
  EXPECT_EQ(options.tileCount, 4);
  EXPECT_EQ(options.seconds, 0);
  EXPECT_LT(options.captureAt, 0);
  EXPECT_TRUE(options.screenshotPath.empty());
  EXPECT_TRUE(options.streams.empty());
  EXPECT_EQ(options.picQuality, 1);
}

TEST(ViewerOptionsTest, RefusesBadValuesAndLeavesTheOptionsAlone) {
  const std::vector<std::vector<const char*>> badLines = {
      {"--grid", "5"},       {"--grid", "4x"},        {"--grid", ""}, {"--seconds", "-1"},
      {"--seconds", "soon"}, {"--capture-at", "nan"}, {"--seconds"},  {"--colour", "red"},
      {"--out", ""},         {"--quality", "low"}};
  for (const auto& line : badLines) {
    ViewerOptions options;
    options.tileCount = 16;
    std::string error;
    EXPECT_FALSE(Parse(line, &options, &error)) << line[0];
    EXPECT_FALSE(error.empty()) << line[0];
    EXPECT_EQ(options.tileCount, 16) << line[0];
  }
}

TEST(ViewerOptionsTest, HelpAndVersionAreFlagsAndTheUsageNamesEveryKey) {
  ViewerOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--help"}, &options, &error));
  EXPECT_TRUE(options.showHelp);
  EXPECT_FALSE(options.showVersion);
  ASSERT_TRUE(Parse({"--version"}, &options, &error));
  EXPECT_TRUE(options.showVersion);
  const std::string usage = ViewerUsage("viewer");
  for (const char* word :
       {"--grid", "--seconds", "--capture-at", "--screenshot", "--out", "--quality", "--version",
        "pause", "faster", "slower", "step", "volume", "capture", "zoom", "quit"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace demo_viewer
