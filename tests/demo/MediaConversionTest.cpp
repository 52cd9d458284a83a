#include "MediaConversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace demo_viewer {
namespace {

TEST(MediaConversionTest, OnlyStreamFilesSkipConversion) {
  EXPECT_TRUE(IsStreamFile("/a/b/clip.kst"));
  EXPECT_FALSE(IsStreamFile("/a/b/clip.ts"));
  EXPECT_FALSE(IsStreamFile("/a/b.kst/clip"));
  EXPECT_EQ(ConvertedStreamPath("/media/clip.mpg", "/out/streams"), "/out/streams/clip.kst");
}

class MediaConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/demo_conversion_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    media_ = directory_ + "/clip.mpg";
    std::ofstream(media_) << "media bytes";
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::string directory_;
  std::string media_;
};

TEST_F(MediaConversionRunTest, RunsTheToolWithInputAndOutputIntoANewDirectory) {
  // cp takes the same two arguments as the stream tool.
  const std::string output = ConvertedStreamPath(media_, directory_ + "/streams");
  std::string error;
  ASSERT_TRUE(ConvertMediaFile("/bin/cp", media_, output, &error)) << error;
  std::ifstream converted(output);
  std::string text;
  std::getline(converted, text);
  EXPECT_EQ(text, "media bytes");
}

TEST_F(MediaConversionRunTest, AFailingOrMissingToolIsAnErrorWithAReason) {
  std::string error;
  EXPECT_FALSE(ConvertMediaFile("/bin/false", media_, directory_ + "/x.kst", &error));
  EXPECT_NE(error.find("could not convert"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(
      ConvertMediaFile(directory_ + "/no-such-tool", media_, directory_ + "/x.kst", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace demo_viewer
