#include "DirectoryPath.h"

#include <gtest/gtest.h>

#include <string>

#include "SharedConstants.h"
#include "TestFiles.h"
#include "TestPlatform.h"

namespace tests {
namespace {

TEST(NormaliseDirectoryPathTest, TurnsBackslashesAndEndsWithASlash) {
  std::string path = "c:\\x\\y";
  EXPECT_EQ(common::NormaliseDirectoryPath(path), "c:/x/y/");
  EXPECT_EQ(path, "c:/x/y/");
  path = "c:/x/y/";
  EXPECT_EQ(common::NormaliseDirectoryPath(path), "c:/x/y/");
  path.clear();
  EXPECT_EQ(common::NormaliseDirectoryPath(path), "");
}

class DirectoryPathTest : public ::testing::Test {
 protected:
  std::string Root() const { return dir_.path(); }
  // The same directory written with backslashes.
  static std::string Backslashed(std::string path) {
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }

  TempDirectory dir_;
  TestPlatform platform_{dir_.path()};
};

TEST_F(DirectoryPathTest, ExistenceOfDirectoriesAndFiles) {
  MakeDirectories(Root() + "d");
  WriteBytes(Root() + "f", "x");
  EXPECT_EQ(common::DirectoryExists(Root() + "d"), 1);
  EXPECT_EQ(common::DirectoryExists(Root() + "d/"), 1);
  EXPECT_EQ(common::DirectoryExists(Backslashed(Root() + "d\\")), 1);
  EXPECT_EQ(common::DirectoryExists(Root() + "f"), 1);   // any entry counts
  EXPECT_EQ(common::DirectoryExists(Root() + "f/"), 0);  // but not as a directory
  EXPECT_EQ(common::DirectoryExists(Root() + "none"), 0);
  EXPECT_EQ(common::DirectoryExists(""), 0);
}

TEST_F(DirectoryPathTest, CreatesEveryMissingLevel) {
  const std::string target = Root() + "a/b/c/";
  EXPECT_EQ(common::MakeDirectoryPath(target), 0);
  EXPECT_TRUE(IsDirectory(Root() + "a/b/c"));
  const std::vector<std::string> created = platform_.created_directories();
  ASSERT_EQ(created.size(), 3u);
  EXPECT_EQ(created[0], Root() + "a");
  EXPECT_EQ(created[2], Root() + "a/b/c");
}

TEST_F(DirectoryPathTest, AnExistingPathCreatesNothing) {
  MakeDirectories(Root() + "a/b");
  EXPECT_EQ(common::MakeDirectoryPath(Root() + "a/b"), 0);
  EXPECT_EQ(common::MakeDirectoryPath(""), 0);
  EXPECT_TRUE(platform_.created_directories().empty());
}

TEST_F(DirectoryPathTest, BackslashesAreCreatedAsSlashes) {
  EXPECT_EQ(common::MakeDirectoryPath(Backslashed(Root() + "trace/new")), 0);
  EXPECT_TRUE(IsDirectory(Root() + "trace/new"));
}

TEST_F(DirectoryPathTest, APlainFileInTheWayFailsAndKeepsEarlierLevels) {
  MakeDirectories(Root() + "x");
  WriteBytes(Root() + "x/a", "file");
  EXPECT_EQ(common::MakeDirectoryPath(Root() + "x/a/b/"), -1);
  EXPECT_EQ(common::MakeDirectoryPath(Root() + "new/x/a/"), 0);
  WriteBytes(Root() + "new/x/a/f", "file");
  EXPECT_EQ(common::MakeDirectoryPath(Root() + "new/x/a/f/g/"), -1);
  EXPECT_TRUE(IsDirectory(Root() + "new/x/a"));
}

TEST(SharedConstantsTest, ComposedNamesJoinTheirParts) {
  EXPECT_EQ(common::PRODUCT_DIR, "q81/");
  EXPECT_EQ(common::CONFIG_FILE, common::PRODUCT_DIR + "cfg/" + "Q81.cfg");
  EXPECT_EQ(common::WRITING_DIR, "q81/writing/");
  EXPECT_EQ(common::FRAME_HEIGHTS[1][3], 480);
  EXPECT_EQ(common::FRAME_HEIGHTS[3][6], 288);
  EXPECT_EQ(common::FRAME_HEIGHTS[0][7], 0);
}

}  // namespace
}  // namespace tests
